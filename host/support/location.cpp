#include "support/location.h"

#include "support/text.h"

namespace tessaly {

size_t scheme_length(std::string_view text) {
  if (text.empty() || !is_ascii_letter(text[0]))
    return 0;
  size_t i = 1;
  while (i < text.size() && (is_ascii_letter(text[i]) || is_ascii_digit(text[i]) ||
                             text[i] == '+' || text[i] == '-' || text[i] == '.'))
    ++i;
  return i >= 2 && i < text.size() && text[i] == ':' ? i : 0;
}

bool is_url(std::string_view location) {
  size_t scheme = scheme_length(location);
  if (scheme == 0)
    return false;
  return location.substr(scheme + 1, 2) == "//" ||
         equal_ignoring_ascii_case(location.substr(0, scheme), "file");
}

} // namespace tessaly
