// The client object the host talks to, and the module-wide values it fills.
#pragma once

#include "base/utf8_string.h"
#include "entry/host_interface.h"

namespace vorlane {

class VorlaneClient final : public ComponentClient {
public:
  int32_t version() override { return kInterfaceVersion; }
  ServiceFactory* factory_list() override;
  void save_config(ByteWriter* writer) override;
  void load_config(const void* data, uint32_t size) override;
  void reserved_hook() override {}
  void set_host_texts(const char* first, const char* source) override;
  void set_host_flag(uint8_t flag) override;
};

extern VorlaneClient component_client;
// Accompanies every error message the module posts.
extern HeapString source_text;
extern HeapString first_host_text;
extern uint8_t host_flag;
// Head of the factory list, newest first.
extern ServiceFactory* factory_list_head;

} // namespace vorlane

#if defined(_WIN32)
#define VORLANE_EXPORT extern "C"
#else
#define VORLANE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The module's one export: stores the host and the module handle, returns the client.
VORLANE_EXPORT vorlane::ComponentClient* tessaly_get_interface(vorlane::HostApi* host,
                                                               HINSTANCE module);
