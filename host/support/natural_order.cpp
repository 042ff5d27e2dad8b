#include "support/natural_order.h"

#include "support/text.h"

namespace tessaly {
namespace {

// The digits of the run at the start of text, without its leading zeros, and the run's length.
std::string_view digit_run(std::string_view text, size_t* length) {
  size_t end = 0;
  while (end < text.size() && is_ascii_digit(text[end]))
    ++end;
  *length = end;
  size_t first = 0;
  while (first + 1 < end && text[first] == '0')
    ++first;
  return text.substr(first, end - first);
}

} // namespace

int natural_compare(std::string_view a, std::string_view b) {
  while (!a.empty() && !b.empty()) {
    if (is_ascii_digit(a[0]) && is_ascii_digit(b[0])) {
      size_t a_length, b_length;
      std::string_view x = digit_run(a, &a_length), y = digit_run(b, &b_length);
      // More significant digits is the larger number; as many, the first digit that differs.
      if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
      if (int order = x.compare(y); order != 0)
        return order;
      a.remove_prefix(a_length);
      b.remove_prefix(b_length);
      continue;
    }
    unsigned char x = static_cast<unsigned char>(ascii_lower(a[0]));
    unsigned char y = static_cast<unsigned char>(ascii_lower(b[0]));
    if (x != y)
      return x < y ? -1 : 1;
    a.remove_prefix(1);
    b.remove_prefix(1);
  }
  return a.empty() ? (b.empty() ? 0 : -1) : 1;
}

} // namespace tessaly
