// The two ways the safe-section walk reads text, a chunk at a time: 16 bytes in an SSE2 register
// on x86, or 8 bytes in a 64-bit word everywhere. Marks have a set bit for each byte of interest,
// lowest first; take_mark gives the position of the lowest and takes it off.
//
// The 32-bit build also runs on processors without SSE2, so there the SSE2 scan is compiled for
// SSE2 on its own (between SECTION_SSE2_BEGIN and SECTION_SSE2_END) and taken only where the
// processor has it; everything else is compiled without.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__SSE2__)
#define SECTION_SSE2_SCAN 1
#define SECTION_SSE2_BEGIN
#define SECTION_SSE2_END
#elif defined(__i386__) && defined(__GNUC__) && !defined(__clang__)
#define SECTION_SSE2_SCAN 1
#define SECTION_SSE2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"sse2\")")
#define SECTION_SSE2_END _Pragma("GCC pop_options")
#else
#define SECTION_SSE2_SCAN 0
#endif

#if SECTION_SSE2_SCAN
#include <emmintrin.h>
#endif

namespace vorlane::section_scans {

// Whether the processor runs SSE2 code; asked once.
bool processor_has_sse2();

// Eight bytes in a word, the first in its lowest byte; a mark is the top bit of a byte.
struct Words {
  static_assert(std::endian::native == std::endian::little);
  static constexpr uint32_t kChunk = 8;
  using Chunk = uint64_t;
  using Marks = uint64_t;
  static constexpr uint64_t kOnes = 0x0101010101010101ull;
  static constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;

  static Chunk load(const char* p) {
    Chunk word;
    std::memcpy(&word, p, 8);
    return word;
  }
  static void store(uint8_t* to, Chunk word) { std::memcpy(to, &word, 8); }
  // Marks the bytes that are 0. Adding to the low seven bits carries no borrow into the next
  // byte, so every mark is true.
  static Marks zero_bytes(uint64_t x) { return ~(((x & kLows) + kLows) | x | kLows); }
  // "{", which ends every marker, and NUL.
  static Marks outside_marks(Chunk word) {
    return zero_bytes(word ^ (kOnes * '{')) | zero_bytes(word);
  }
  // Also "}", "&", "<" and ">"; "<" and ">" differ in one bit only.
  static Marks inside_marks(Chunk word) {
    return outside_marks(word) | zero_bytes(word ^ (kOnes * '}')) |
           zero_bytes(word ^ (kOnes * '&')) | zero_bytes((word ^ (kOnes * '<')) & ~(kOnes * 2));
  }
  static uint32_t take_mark(Marks& marks) {
    uint32_t position = static_cast<uint32_t>(__builtin_ctzll(marks) / 8);
    marks &= marks - 1;
    return position;
  }
};

#if SECTION_SSE2_SCAN
SECTION_SSE2_BEGIN
struct Sse2 {
  static constexpr uint32_t kChunk = 16;
  using Chunk = __m128i;
  using Marks = uint32_t;

  static Chunk load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void store(uint8_t* to, Chunk chunk) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), chunk);
  }
  static Marks marks_of(Chunk matches) { return static_cast<Marks>(_mm_movemask_epi8(matches)); }
  static Chunk equal(Chunk chunk, char c) { return _mm_cmpeq_epi8(chunk, _mm_set1_epi8(c)); }
  static Marks outside_marks(Chunk chunk) {
    return marks_of(_mm_or_si128(equal(chunk, '{'), equal(chunk, '\0')));
  }
  static Marks inside_marks(Chunk chunk) {
    Chunk angle = equal(_mm_or_si128(chunk, _mm_set1_epi8(2)), '>');
    Chunk braces = _mm_or_si128(equal(chunk, '{'), equal(chunk, '}'));
    Chunk others = _mm_or_si128(equal(chunk, '&'), equal(chunk, '\0'));
    return marks_of(_mm_or_si128(_mm_or_si128(angle, braces), others));
  }
  static uint32_t take_mark(Marks& marks) {
    // The builtin, not std::countr_zero: a library function compiled for every processor is not
    // inlined into code compiled for SSE2.
    uint32_t position = static_cast<uint32_t>(__builtin_ctz(marks));
    marks &= marks - 1;
    return position;
  }
};
SECTION_SSE2_END
#endif

} // namespace vorlane::section_scans
