#include "terminated_text.h"

#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define TEXT_SCAN_BY_RUNTIME 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEXT_SCAN_BY_RUNTIME 1
#endif
#endif

namespace vorlane {

const char kEmptyText[1] = {'\0'};

uint32_t bounded_length(const char* text, uint32_t max_bytes) {
  if (!text)
    return 0;
#ifdef TEXT_SCAN_BY_RUNTIME
  // The sanitizer checks the runtime's strnlen, which reads no byte at or beyond max_bytes.
  return static_cast<uint32_t>(strnlen(text, max_bytes));
#else
  // Some C runtimes look at one byte at a time, which costs as much again as copying the text.
  // This reads 8 aligned bytes at a time: such a word never reaches into another page than the
  // byte of the text that it holds, and only words wholly before max_bytes are read.
  uint32_t i = 0;
  while (i < max_bytes && (reinterpret_cast<uintptr_t>(text + i) & 7) != 0) {
    if (text[i] == '\0')
      return i;
    ++i;
  }
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  for (; max_bytes - i >= 8; i += 8) {
    uint64_t word;
    std::memcpy(&word, text + i, 8);
    if (((word - kOnes) & ~word & kHighs) != 0)
      break;
  }
  while (i < max_bytes && text[i] != '\0')
    ++i;
  return i;
#endif
}

bool starts_with_text(const char* at, const char* needle) {
  for (; *needle != '\0'; ++at, ++needle) {
    if (*at != *needle)
      return false;
  }
  return true;
}

} // namespace vorlane
