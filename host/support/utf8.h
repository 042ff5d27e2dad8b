// UTF-8: where a text stops being valid, and a code point written as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// The offset of the first byte where text stops being valid UTF-8 (overlong forms, surrogates and
// code points past U+10FFFF are invalid), or npos.
size_t invalid_utf8_at(std::string_view text);
inline bool is_utf8(std::string_view text) {
  return invalid_utf8_at(text) == std::string_view::npos;
}

// The UTF-8 form of a code point; empty for 0, a surrogate or a value past U+10FFFF.
std::string utf8_of(long long code_point);

} // namespace tessaly
