#include "string_sink.h"

#include <cstring>

namespace vorlane {

const char kEmptyText[1] = {'\0'};

uint32_t bounded_length(const char* text, uint32_t max_bytes) {
  // strnlen reads no byte at or beyond max_bytes.
  return text ? static_cast<uint32_t>(strnlen(text, max_bytes)) : 0;
}

uint32_t encode_utf8(uint32_t cp, uint8_t* out) {
  uint32_t count;
  uint8_t lead;
  if (cp < 0x80u) {
    if (out)
      out[0] = static_cast<uint8_t>(cp);
    return 1;
  } else if (cp < 0x800u) {
    count = 2, lead = 0xC0;
  } else if (cp < 0x10000u) {
    count = 3, lead = 0xE0;
  } else if (cp < 0x200000u) {
    count = 4, lead = 0xF0;
  } else if (cp < 0x4000000u) {
    count = 5, lead = 0xF8;
  } else if (cp < 0x80000000u) {
    count = 6, lead = 0xFC;
  } else {
    return 0;
  }
  if (out) {
    for (uint32_t i = count - 1; i > 0; --i) {
      out[i] = static_cast<uint8_t>(0x80u | (cp & 0x3Fu));
      cp >>= 6;
    }
    out[0] = static_cast<uint8_t>(lead | cp);
  }
  return count;
}

bool starts_with_text(const char* at, const char* needle) {
  for (; *needle != '\0'; ++at, ++needle) {
    if (*at != *needle)
      return false;
  }
  return true;
}

void StringSink::append_code_point(uint32_t code_point) {
  uint8_t buffer[6];
  uint32_t count = encode_utf8(code_point, buffer);
  if (count != 0)
    append(reinterpret_cast<const char*>(buffer), count);
}

void StringSink::append_repeated(uint32_t code_point, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i)
    append_code_point(code_point);
}

} // namespace vorlane
