#include "session/config_block.h"

namespace tessaly {

namespace {

uint32_t read_u32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

// Collects what a module writes into its configuration block.
class BlockWriter final : public vorlane::ByteWriter {
public:
  uint32_t write(const void* bytes, uint32_t count) override {
    if (bytes && count)
      block.append(static_cast<const char*>(bytes), count);
    return count;
  }
  std::string block;
};

} // namespace

bool parse_config_block(const std::string& block, std::vector<ConfigRecord>* records) {
  records->clear();
  size_t at = 0;
  while (at < block.size()) {
    if (block.size() - at < 4)
      return false;
    uint32_t name_length = read_u32(block, at);
    at += 4;
    if (block.size() - at < name_length)
      return false;
    std::string name = block.substr(at, name_length);
    at += name_length;
    if (block.size() - at < 4)
      return false;
    uint32_t value_length = read_u32(block, at);
    at += 4;
    if (block.size() - at < value_length)
      return false;
    records->push_back({std::move(name), block.substr(at, value_length)});
    at += value_length;
  }
  return true;
}

bool int_of_value(const std::string& value, int32_t* number) {
  if (value.size() != 4)
    return false;
  *number = static_cast<int32_t>(read_u32(value, 0));
  return true;
}

std::string current_config_block(vorlane::ComponentClient& client) {
  BlockWriter writer;
  client.save_config(&writer);
  return std::move(writer.block);
}

} // namespace tessaly
