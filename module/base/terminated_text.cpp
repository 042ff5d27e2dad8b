#include "terminated_text.h"

#include <cstring>

namespace vorlane {

const char kEmptyText[1] = {'\0'};

uint32_t bounded_length(const char* text, uint32_t max_bytes) {
  // strnlen reads no byte at or beyond max_bytes.
  return text ? static_cast<uint32_t>(strnlen(text, max_bytes)) : 0;
}

bool starts_with_text(const char* at, const char* needle) {
  for (; *needle != '\0'; ++at, ++needle) {
    if (*at != *needle)
      return false;
  }
  return true;
}

} // namespace vorlane
