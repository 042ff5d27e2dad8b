#include "common/heap_in_use.h"

#include <malloc.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count; GCC installs no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

long long heap_in_use() {
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer's allocator replaces the C library's, whose figures then stay at zero.
  return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
  struct mallinfo2 info = mallinfo2();
  return static_cast<long long>(info.uordblks + info.hblkhd);
#endif
}
