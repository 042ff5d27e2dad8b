// Bytes as lowercase hexadecimal text and back, as the configuration store and `config dump`
// write them.
#pragma once

#include <string>

namespace tessaly {

std::string to_hex(const std::string& bytes);
// False, with bytes unspecified, for an odd length or a character that is no hex digit.
bool from_hex(const std::string& hex, std::string* bytes);

} // namespace tessaly
