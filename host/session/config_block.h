// The host's reading of a module's configuration block: the records the module writes, and the
// block a module's client writes now.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "entry/host_interface.h"

namespace tessaly {

struct ConfigRecord {
  std::string name;
  std::string value;
};
// The records of a configuration block: 32-bit little-endian name length, name, value length,
// value, one after the other. False when the block ends inside a record.
bool parse_config_block(const std::string& block, std::vector<ConfigRecord>* records);
// A 32-bit value as a module stores it (4 bytes, little-endian); false for another length.
bool int_of_value(const std::string& value, int32_t* number);

// The configuration block the module's client writes now.
std::string current_config_block(vorlane::ComponentClient& client);

} // namespace tessaly
