// Any bytes as a stored configuration block: applying them never fails or reads out of bounds,
// and what is saved afterwards is a fixed point: loading it again and saving gives it back.
#include <cstring>
#include <string>

#include "config/config_var.h"

namespace {

std::string save_all() {
  vorlane::MemoryWriter writer;
  vorlane::config_save_all(writer);
  return std::string(reinterpret_cast<const char*>(writer.data()), writer.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu)
    return 0;
  // A copy of exactly size bytes, so that any read past the block is caught.
  uint8_t* block = new uint8_t[size];
  std::memcpy(block, data, size);
  vorlane::config_load_all(block, static_cast<uint32_t>(size));
  delete[] block;
  std::string first = save_all();
  vorlane::config_load_all(first.data(), static_cast<uint32_t>(first.size()));
  std::string second = save_all();
  if (first != second)
    __builtin_trap();
  return 0;
}
