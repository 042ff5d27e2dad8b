#include "config_var.h"

#include <cstring>

namespace vorlane {

ConfigVar::ConfigVar(const char* name) : name_(name), next_(config_var_list) {
  config_var_list = this;
}

void ConfigVar::add_observer(ConfigObserver& observer) {
  observer.next = observers_;
  observers_ = &observer;
}

void ConfigVar::notify_changed() {
  for (ConfigObserver* observer = observers_; observer; observer = observer->next)
    observer->on_changed(name(), *this);
}

ConfigString::ConfigString(const char* name, const char* default_text)
    : ConfigVar(name), value_(default_text) {}

const char* ConfigString::set_text(const char* text) {
  value_.assign(text, kWholeText);
  notify_changed();
  return get_text();
}

bool ConfigString::save_value(ByteWriter& writer) {
  const char* text = get_text();
  writer.write(text, static_cast<uint32_t>(std::strlen(text)));
  return true;
}

void ConfigString::load_value(const uint8_t* bytes, uint32_t count) {
  value_.assign(reinterpret_cast<const char*>(bytes), count);
  notify_changed();
}

ConfigInt::ConfigInt(const char* name, int32_t default_value)
    : ConfigVar(name), value_(default_value) {}

int32_t ConfigInt::set_value(int32_t value) {
  value_ = value;
  notify_changed();
  return value_;
}

bool ConfigInt::save_value(ByteWriter& writer) {
  uint32_t v = static_cast<uint32_t>(value_);
  uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                      static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  writer.write(bytes, 4);
  return true;
}

void ConfigInt::load_value(const uint8_t* bytes, uint32_t count) {
  if (count != 4)
    return;
  value_ = static_cast<int32_t>(
      static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
      static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
  notify_changed();
}

uint32_t MemoryWriter::write(const void* bytes, uint32_t count) {
  if (count == 0)
    return 0;
  if (!block_.append_bytes(bytes, count)) {
    complete_ = false;
    return 0;
  }
  return count;
}

} // namespace vorlane
