#include "titleformat/location_uri.h"

#include <cstring>

#include "support/location.h"
#include "support/text.h"

namespace tessaly {

std::string location_uri(std::string_view text) {
  std::string out;
  if (is_url(text)) {
    for (size_t i = 0; i < text.size(); ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      bool allowed = c == '%' ? i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
                                    hex_digit(text[i + 2]) >= 0
                              : c > 0x20 && c < 0x7F && !std::strchr("\"<>\\^`{|}", c);
      if (allowed)
        out += static_cast<char>(c);
      else
        append_percent_escape(c, out);
    }
    return out;
  }
  auto separator = [](char c) { return c == '/' || c == '\\'; };
  size_t i = 0;
  if (text.size() >= 3 && is_ascii_letter(text[0]) && text[1] == ':' && separator(text[2])) {
    out = "file:///";
    out += text[0];
    out += ':';
    i = 2;
  } else if (text.size() >= 2 && separator(text[0]) && separator(text[1])) {
    out = "file:";
  } else if (!text.empty() && separator(text[0])) {
    out = "file://";
  }
  for (; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (separator(text[i]))
      out += '/';
    else if (is_uri_unreserved(c))
      out += static_cast<char>(c);
    else
      append_percent_escape(c, out);
  }
  return out;
}

} // namespace tessaly
