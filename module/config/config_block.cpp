// The configuration block: records of (name length, name, value length, value), lengths 32-bit
// little-endian, one per variable, no header and no terminator.
#include <cstring>

#include "config_var.h"

namespace vorlane {
namespace {

void write_length(ByteWriter& writer, uint32_t n) {
  uint8_t bytes[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                      static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
  writer.write(bytes, 4);
}

uint32_t read_length(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

} // namespace

void config_save_all(ByteWriter& writer) {
  MemoryWriter scratch;
  for (ConfigVar* variable = config_var_list; variable; variable = variable->next()) {
    scratch.clear();
    if (!variable->save_value(scratch))
      continue;
    // A value whose bytes could not all be collected would be stored cut short; leaving the
    // variable out keeps the stored value it had instead.
    if (!scratch.complete())
      continue;
    const char* name = variable->name();
    write_length(writer, static_cast<uint32_t>(std::strlen(name)));
    writer.write(name, static_cast<uint32_t>(std::strlen(name)));
    write_length(writer, scratch.size());
    if (scratch.size() != 0)
      writer.write(scratch.data(), scratch.size());
  }
}

void config_load_all(const void* block, uint32_t size) {
  const uint8_t* position = static_cast<const uint8_t*>(block);
  uint32_t remaining = position ? size : 0;
  ScratchString record_name;
  while (remaining > 4) {
    uint32_t name_length = read_length(position);
    position += 4;
    remaining -= 4;
    if (remaining < name_length)
      return;
    record_name.assign(reinterpret_cast<const char*>(position), name_length);
    // A name that could not be copied must not match whatever the buffer held before.
    bool name_held = record_name.length() ==
                     bounded_length(reinterpret_cast<const char*>(position), name_length);
    position += name_length;
    remaining -= name_length;
    if (remaining < 4)
      return;
    uint32_t value_length = read_length(position);
    position += 4;
    remaining -= 4;
    if (value_length > remaining)
      return;
    if (name_held) {
      for (ConfigVar* variable = config_var_list; variable; variable = variable->next()) {
        if (std::strcmp(variable->name(), record_name.text()) == 0) {
          variable->load_value(position, value_length);
          break;
        }
      }
    }
    position += value_length;
    remaining -= value_length;
  }
}

} // namespace vorlane
