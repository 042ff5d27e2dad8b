#include "support/text_escapes.h"

#include "support/text.h"
#include "support/utf8.h"

namespace tessaly {

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

} // namespace tessaly
