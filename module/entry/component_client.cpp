#include "component_client.h"

#include "config/config_var.h"
#include "entry/host_access.h"

namespace vorlane {

uint8_t host_flag = 0;

ServiceFactory* VorlaneClient::factory_list() {
  return factory_list_head;
}

void VorlaneClient::save_config(ByteWriter* writer) {
  if (writer)
    config_save_all(*writer);
}

void VorlaneClient::load_config(const void* data, uint32_t size) {
  config_load_all(data, size);
}

void VorlaneClient::set_host_texts(const char* first, const char* source) {
  first_host_text.assign(first, kWholeText);
  source_text.assign(source, kWholeText);
}

void VorlaneClient::set_host_flag(uint8_t flag) {
  host_flag = flag;
}

} // namespace vorlane
