#include "support/settings_text.h"
#include "session/config_store.h"

namespace tessaly {

namespace {

uint32_t read_u32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

} // namespace

bool unescape_text(const std::string& text, std::string* out, std::string* problem) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\') {
      result += c;
      continue;
    }
    if (i + 1 >= text.size()) {
      *problem = "a backslash ends the text (write \\\\ for a backslash)";
      return false;
    }
    char kind = text[++i];
    switch (kind) {
    case 'n':
      result += '\n';
      break;
    case 'r':
      result += '\r';
      break;
    case 't':
      result += '\t';
      break;
    case '\\':
      result += '\\';
      break;
    case 'x': {
      int high = i + 1 < text.size() ? hex_digit(text[i + 1]) : -1;
      int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
      if (high < 0 || low < 0) {
        *problem = "\\x needs two hex digits";
        return false;
      }
      if (high == 0 && low == 0) {
        *problem = "a text cannot hold a zero byte (\\x00)";
        return false;
      }
      result += static_cast<char>(high * 16 + low);
      i += 2;
      break;
    }
    default:
      *problem = std::string("unknown escape \\") + kind + " (known: \\n \\r \\t \\\\ \\xNN)";
      return false;
    }
  }
  if (!is_utf8(result)) {
    *problem = "the text is not UTF-8";
    return false;
  }
  *out = std::move(result);
  return true;
}

std::string escape_text(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (byte < 0x20)
      out += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
    else
      out += c;
  }
  return out;
}

size_t invalid_utf8_at(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<unsigned char>(text[i]);
    size_t extra;
    uint32_t code_point, lowest;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, code_point = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code_point = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code_point = lead & 0x07, lowest = 0x10000;
    } else {
      return i;
    }
    if (text.size() - i <= extra)
      return i;
    for (size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80)
        return i;
      code_point = code_point << 6 | (next & 0x3F);
    }
    if (code_point < lowest || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF))
      return i;
    i += extra + 1;
  }
  return std::string_view::npos;
}

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

} // namespace tessaly
