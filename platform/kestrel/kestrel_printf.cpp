#include <cstdio>
#include <cstdlib>

#include "kestrel.h"

KESTREL_API BOOL uPrintfV(vorlane::StringSink* out, const char* format, va_list arguments) {
  if (!out || !format)
    return FALSE;
  char small[256];
  va_list copy;
  va_copy(copy, arguments);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0)
    return FALSE;
  if (static_cast<size_t>(n) < sizeof small) {
    out->assign(small, static_cast<uint32_t>(n));
    return TRUE;
  }
  char* large = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
  if (!large)
    return FALSE;
  std::vsnprintf(large, static_cast<size_t>(n) + 1, format, arguments);
  out->assign(large, static_cast<uint32_t>(n));
  std::free(large);
  return TRUE;
}
