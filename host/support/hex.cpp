#include "support/hex.h"

#include "support/text.h"

namespace tessaly {

std::string to_hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

bool from_hex(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0)
    return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = hex_digit(hex[i]), low = hex_digit(hex[i + 1]);
    if (high < 0 || low < 0)
      return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

} // namespace tessaly
