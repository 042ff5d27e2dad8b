#include "section_scans.h"

#include <atomic>

#if SECTION_SSE2_SCAN && !defined(__x86_64__) && !defined(__SSE2__)
#include <cpuid.h>
#endif

namespace vorlane::section_scans {

bool processor_has_sse2() {
#if defined(__x86_64__) || defined(__SSE2__)
  return true; // the build requires it already
#elif SECTION_SSE2_SCAN
  // 0 until asked, then 1 without SSE2 and 2 with it. The answer never changes, so two threads
  // asking at once store the same value. Constant-initialised: it needs no construction and no
  // teardown, and so has no place in the order of the module's static objects.
  static std::atomic<uint8_t> answer{0};
  uint8_t known = answer.load(std::memory_order_relaxed);
  if (known == 0) {
    unsigned eax, ebx, ecx, edx;
    // __get_cpuid first checks that the processor has the instruction at all.
    known = __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) ? 2 : 1;
    answer.store(known, std::memory_order_relaxed);
  }
  return known == 2;
#else
  return false;
#endif
}

} // namespace vorlane::section_scans
