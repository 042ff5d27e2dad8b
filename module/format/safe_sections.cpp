#include "safe_sections.h"

#include <cstddef>
#include <cstring>

#include "format/section_scans.h"

// The rewrite repeats passes: each takes the first marker of the whole text and the first "}"
// behind it, and puts the escaped contents between what came before the marker and what came
// after the "}". Done literally, every pass copies and rescans the whole text, and a text of n
// nested sections costs n passes over all of it. The walk here gives the same bytes in one read
// of the text, because:
//
// - Escaping neither makes nor breaks a marker: an entity is "&", letters and ";", a marker holds
//   none of "&", ";", "<" and ">". So which marker and which "}" each pass takes depends only on
//   which bytes are left, and every pass leaves them in their order.
// - The markers are taken in the order in which they end, and each is closed by the first "}"
//   behind both its own end and the "}" that closed the marker before it. A walk that counts the
//   sections open takes exactly these: a "{" that ends a marker in what it has written opens one,
//   and the marker's bytes are taken back, so that a marker which forms where a pass joins its
//   pieces is seen as well; a "}" while sections are open closes the oldest and is dropped.
// - A byte is escaped once by every pass whose contents hold it, and those are the sections open
//   when the walk meets it. At depth d, "&" becomes "&" and d times "amp;"; "<" and ">" become
//   "&", d - 1 times "amp;", then "lt;" or "gt;".
// - When the first section left open has no "}" behind it, it and everything behind it stay as
//   they are. Where it is the only one open and opened outside all others, the walk puts its
//   marker back and copies the rest; otherwise the walk runs again, taking only as many markers
//   as were closed.
//
// A first walk that meets a section inside another stops there, and a counting walk, which
// escapes nothing, finds how many markers are closed and how large the result is; the deep text
// is then escaped once, into storage of exactly that size. So open sections that never close
// cost no escaping that is thrown away, and a result many times the text no doubling copies. A
// text with a NUL byte has its first pass cut by hand (first_pass_with_nul); nothing behind a NUL
// survives it, and the walk does the rest.

namespace vorlane {
namespace {

constexpr const char kMarker[] = "@htmlsafe{";
constexpr uint32_t kMarkerLength = 10;
constexpr uint32_t kHoldsNul = kNotFound - 1;
constexpr uint32_t kNoLimit = 0xFFFFFFFFu;
// A rewritten text of the module's own string at least this long is handed over with its block
// instead of being copied.
constexpr uint32_t kHandOverFrom = 16 << 10;

enum class Status { Done, Unchanged, Nested, HoldsNul, OutOfMemory };

enum class WalkMode {
  First, // escapes, and stops when a section opens inside another
  Count, // escapes nothing: counts the markers that are closed
  Last,  // escapes, taking no more markers than the limit
};

// Bytes that the walk reads in one go, `base` levels deep in sections that are already closed.
struct Segment {
  const char* bytes;
  uint32_t length;
  uint32_t base;
};

// Where the walk writes: bytes from start to at are written, those up to limit are room.
struct OutputSpan {
  uint8_t* start;
  uint8_t* at;
  uint8_t* limit;
};

// Room for count more bytes behind at, the written bytes kept; start is null when the block
// could not grow. Kept out of line, and given and taken by value, so that the walk's own copy
// can stay in registers: the bytes it stores could otherwise overwrite it, as far as the
// compiler knows.
[[gnu::noinline]] OutputSpan grow_output(MemoryBlock& block, OutputSpan span, uint32_t count) {
  uint32_t length = static_cast<uint32_t>(span.at - span.start);
  if (count > UINT32_MAX - length)
    return {nullptr, nullptr, nullptr};
  if (length == 0 && block.size() > 0 && block.capacity() < count) {
    // Nothing written yet: new storage, without copying what the old one held.
    MemoryBlock fresh(block.policy());
    if (!fresh.resize(count))
      return {nullptr, nullptr, nullptr};
    block.swap_storage(fresh);
  } else if (!block.ensure_size(length + count)) {
    return {nullptr, nullptr, nullptr};
  }
  // The whole capacity is usable; claiming it moves nothing and so cannot fail.
  block.ensure_size(block.capacity());
  return {block.data(), block.data() + length, block.data() + block.size()};
}

constexpr uint64_t bytes_of(const char* text) {
  uint64_t bytes = 0;
  for (int i = 0; text[i] != '\0'; ++i)
    bytes |= static_cast<uint64_t>(static_cast<uint8_t>(text[i])) << (8 * i);
  return bytes;
}

struct Entity {
  uint64_t bytes; // read least significant byte first
  uint32_t length;
};
// By bits 1 to 3 of "&", "<" and ">", which differ there: looked up, not branched on, since the
// characters come in no order that a branch could learn.
constexpr Entity kEntities[8] = {
    {}, {}, {}, {bytes_of("&amp;"), 5}, {}, {}, {bytes_of("&lt;"), 4}, {bytes_of("&gt;"), 4}};
constexpr uint64_t kAmps = bytes_of("amp;amp;");
constexpr uint64_t kLt = bytes_of("lt;");
constexpr uint64_t kGt = bytes_of("gt;");

// The longest replacement of one byte at depth: "&" and depth times "amp;".
uint32_t entity_room(uint32_t depth) {
  return 1 + 4 * depth;
}

// The length of c, one of "&", "<" and ">", escaped at depth.
uint32_t entity_length(char c, uint32_t depth) {
  return depth == 0 ? 1 : 4 * depth + (c == '&' ? 1 : 0);
}

// The first pass over a text that holds a NUL byte, where each of its three pieces ends at its
// first NUL, as a copy of the piece would. Nothing behind such a NUL survives the pass, so the
// rest is the walk's as for any text. Fills segments with the pieces and returns their number,
// or 0 when no pass takes place.
int first_pass_with_nul(const char* input, uint32_t length, Segment* segments) {
  uint32_t a = kNotFound;
  for (uint32_t i = kMarkerLength - 1; i < length && a == kNotFound; ++i) {
    if (input[i] == '{' &&
        std::memcmp(input + i - (kMarkerLength - 1), kMarker, kMarkerLength - 1) == 0)
      a = i - (kMarkerLength - 1);
  }
  if (a == kNotFound)
    return 0;
  const char* contents = input + a + kMarkerLength;
  const char* end = input + length;
  const char* brace = contents;
  while (brace < end && *brace != '}')
    ++brace;
  if (brace == end)
    return 0;
  uint32_t contents_length = static_cast<uint32_t>(brace - contents);
  uint32_t tail_length = static_cast<uint32_t>(end - brace - 1);
  segments[0] = {input, bounded_length(input, a), 0};
  segments[1] = {contents, bounded_length(contents, contents_length), 1};
  segments[2] = {brace + 1, bounded_length(brace + 1, tail_length), 0};
  return 3;
}

namespace words {
using Scan = section_scans::Words;
#include "format/section_walk.inc"
} // namespace words

#if SECTION_SSE2_SCAN
SECTION_SSE2_BEGIN
namespace sse2 {
using Scan = section_scans::Sse2;
#include "format/section_walk.inc"
} // namespace sse2
SECTION_SSE2_END
#endif

bool takes_sse2(SectionScan scan) {
  return scan == SectionScan::Words ? false : section_scan_available(SectionScan::Sse2);
}

// Rewrites the length bytes at input into buffers.output; the result's length, or kNotFound when
// the text stays as it was (see the walk's rewrite).
uint32_t rewrite(const char* input, uint32_t length, SafeSectionBuffers& buffers) {
#if SECTION_SSE2_SCAN
  if (takes_sse2(buffers.scan))
    return sse2::rewrite(input, length, buffers);
#endif
  return words::rewrite(input, length, buffers);
}

} // namespace

bool section_scan_available(SectionScan scan) {
  return scan != SectionScan::Sse2 || (SECTION_SSE2_SCAN && section_scans::processor_has_sse2());
}

SectionScan best_section_scan() {
  return section_scan_available(SectionScan::Sse2) ? SectionScan::Sse2 : SectionScan::Words;
}

const char* section_scan_name(SectionScan scan) {
  switch (scan) {
  case SectionScan::Words:
    return "words";
  case SectionScan::Sse2:
    return "sse2";
  default:
    return section_scan_name(best_section_scan());
  }
}

void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers) {
  // The module's own string: its bytes and length are read without a call through its interface,
  // and a large result trades blocks with it instead of being copied, since the copy would cost
  // as much again as the rewrite. Both blocks come from the module's heap.
  uint32_t result = rewrite(text.Utf8String::text(), text.Utf8String::length(), buffers);
  if (result == kNotFound)
    return;
  if (result >= kHandOverFrom)
    text.take_storage(buffers.output, result);
  else
    text.assign_bytes(buffers.output.data(), result);
}

void apply_safe_sections(Utf8String& text) {
  SafeSectionBuffers buffers;
  apply_safe_sections(text, buffers);
}

void apply_safe_sections_then_append(StringSink& text, SafeSectionBuffers& buffers,
                                     const char* suffix) {
  // Another module's string: read through its interface and changed only by its own operations,
  // which grow and free its storage on its own heap. The result holds no NUL (the pieces of a
  // pass end at the first one), so the assignment takes all of it.
  uint32_t result = rewrite(text.text(), text.length(), buffers);
  if (result != kNotFound)
    text.assign(reinterpret_cast<const char*>(buffers.output.data()), result);
  if (suffix[0] != '\0')
    text.append(suffix, kWholeText);
}

} // namespace vorlane
