// The text forms of module settings on the command line: escapes in what the user gives, and
// the configuration block that a module writes, read back as named values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "entry/host_interface.h"

namespace tessaly {

// Decodes \n, \r, \t, \\ and \xNN (two hex digits) in text. False, with the reason in problem,
// for another escape, a lone backslash at the end, a zero byte (which would end the text) or
// a result that is not UTF-8.
bool unescape_text(const std::string& text, std::string* out, std::string* problem);
// The other way round, for showing a value on one line: \\, \r, \n, \t, and \xNN for the other
// bytes below 0x20. Everything else passes unchanged.
std::string escape_text(const std::string& bytes);
// The offset of the first byte where text stops being valid UTF-8 (overlong forms, surrogates and
// code points past U+10FFFF are invalid), or npos.
size_t invalid_utf8_at(std::string_view text);
inline bool is_utf8(std::string_view text) {
  return invalid_utf8_at(text) == std::string_view::npos;
}

struct ConfigRecord {
  std::string name;
  std::string value;
};
// The records of a configuration block: 32-bit little-endian name length, name, value length,
// value, one after the other. False when the block ends inside a record.
bool parse_config_block(const std::string& block, std::vector<ConfigRecord>* records);
// A 32-bit value as a module stores it (4 bytes, little-endian); false for another length.
bool int_of_value(const std::string& value, int32_t* number);

} // namespace tessaly
