// Bytes as the module's configuration block holds them, and bytes shown as hex in a failed check.
// Shared by the module's unit suite and the host's tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace test_support {

// A 32-bit number, little-endian.
inline std::string u32(uint32_t n) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i)
    out[static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
  return out;
}

// One record of a configuration block: name length, name, value length, value.
inline std::string record(const std::string& name, const std::string& value) {
  return u32(static_cast<uint32_t>(name.size())) + name + u32(static_cast<uint32_t>(value.size())) +
         value;
}

// Lowercase hex, two digits a byte, nothing between.
inline std::string hex(const void* bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    auto b = static_cast<const unsigned char*>(bytes)[i];
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}
inline std::string hex(const std::string& bytes) {
  return hex(bytes.data(), bytes.size());
}

} // namespace test_support
