#include "safe_sections.h"

#include <cstddef>
#include <cstring>

#include "format/section_scans.h"

namespace vorlane {
namespace {

constexpr const char kMarker[] = "@htmlsafe{";
constexpr uint32_t kMarkerLength = 10;

struct Replacement {
  char character;
  const char* entity;
};
// "&" goes first, so the "&" of an inserted entity is never escaped again.
constexpr Replacement kReplacements[] = {{'&', "&amp;"}, {'>', "&gt;"}, {'<', "&lt;"}};

// Appends bytes to out with every "&", ">" and "<" escaped. Applying the three replacements one
// after the other, each resuming behind what it inserted, gives the same bytes as this single
// walk: "&" becomes "&amp;" first, and the later rows only meet their own characters.
bool append_escaped(Utf8String& out, const char* bytes, uint32_t count) {
  uint32_t start = 0;
  for (uint32_t i = 0; i < count; ++i) {
    char c = bytes[i];
    if (c != '&' && c != '<' && c != '>')
      continue;
    for (const Replacement& r : kReplacements) {
      if (c == r.character) {
        if (!out.append_bytes(bytes + start, i - start) ||
            !out.append_bytes(r.entity, static_cast<uint32_t>(std::strlen(r.entity))))
          return false;
        start = i + 1;
        break;
      }
    }
  }
  return out.append_bytes(bytes + start, count - start);
}

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
  if (count > UINT32_MAX - length || !block.ensure_size(length + count))
    return {nullptr, nullptr, nullptr};
  // The whole capacity is usable; claiming it moves nothing and so cannot fail.
  block.ensure_size(block.capacity());
  return {block.data(), block.data() + length, block.data() + block.size()};
}

constexpr uint32_t kOutOfMemory = kNotFound - 1;
// A NUL byte was met: the text goes to apply_by_passes.
constexpr uint32_t kHoldsNul = kNotFound - 2;
constexpr uint32_t kHandOverFrom = 16 << 10;

struct Entity {
  uint64_t bytes; // read least significant byte first
  uint32_t length;
};
constexpr uint64_t bytes_of(const char* text) {
  uint64_t bytes = 0;
  for (int i = 0; text[i] != '\0'; ++i)
    bytes |= static_cast<uint64_t>(static_cast<uint8_t>(text[i])) << (8 * i);
  return bytes;
}
constexpr Entity kEntities[8] = {
    {'@', 1}, {}, {}, {bytes_of("&amp;"), 5}, {}, {}, {bytes_of("&lt;"), 4}, {bytes_of("&gt;"), 4}};

// Whether a marker begins at position p of the text done followed by rest.
bool marker_at(const uint8_t* done, uint32_t done_length, uint32_t p, const char* rest,
               uint32_t rest_length) {
  for (uint32_t k = 0; k < kMarkerLength; ++k, ++p) {
    char c;
    if (p < done_length)
      c = static_cast<char>(done[p]);
    else if (p - done_length < rest_length)
      c = rest[p - done_length];
    else
      return false;
    if (c != kMarker[k])
      return false;
  }
  return true;
}

// The general walk, for the rest of a text once a pass has made a marker of its own (joining the
// pieces, or one inside the contents). The text between two passes, as three parts: `head`, the
// bytes before the last marker, which later passes keep except for at most its last 9 bytes;
// `front`, the escaped contents that the last pass produced; and the unread rest of the input from
// `tail`. Positions are into the whole text, head first.
class Passes {
public:
  Passes(const char* input, uint32_t length, SafeSectionBuffers& buffers)
      : input_(input), tail_(0), end_(length), head_(buffers.head), fronts_(buffers.fronts) {
    head_.reset();
    fronts_[0].reset();
    fronts_[1].reset();
  }

  // Takes over from the forward walk right after a pass: done holds that pass's head (its first
  // head_length bytes) and escaped contents, and the input continues at tail. False when memory
  // ran out.
  bool resume(const uint8_t* done, uint32_t head_length, uint32_t done_length, uint32_t tail) {
    const char* bytes = reinterpret_cast<const char*>(done);
    tail_ = tail;
    return head_.append_bytes(bytes, head_length) &&
           fronts_[0].append_bytes(bytes + head_length, done_length - head_length);
  }

  // The first marker at or after from; kNotFound when there is none.
  uint32_t find_marker(uint32_t from) const {
    uint32_t h = head_.length();
    // Markers that begin in the head end in the front or the tail.
    for (uint32_t p = from; p < h; ++p) {
      if (head_.text()[p] == '@' && matches_marker(p))
        return p;
    }
    uint32_t f = front().length();
    uint32_t found = front().find_text(kMarker, 0);
    if (found != kNotFound)
      return h + found;
    for (uint32_t i = f > kMarkerLength - 1 ? f - (kMarkerLength - 1) : 0; i < f; ++i) {
      if (front().text()[i] == '@' && matches_marker(h + i))
        return h + i;
    }
    const char* tail = input_ + tail_;
    uint32_t left = end_ - tail_;
    for (uint32_t i = 0; i + kMarkerLength <= left;) {
      const void* hit = std::memchr(tail + i, '@', left - kMarkerLength + 1 - i);
      if (!hit)
        break;
      i = static_cast<uint32_t>(static_cast<const char*>(hit) - tail);
      if (std::memcmp(tail + i, kMarker, kMarkerLength) == 0)
        return h + f + i;
      ++i;
    }
    return kNotFound;
  }

  // The first "}" at or after from, which lies behind the head; kNotFound when there is none.
  uint32_t find_brace(uint32_t from) const {
    uint32_t h = head_.length(), f = front().length();
    uint32_t r = from - h;
    if (r < f) {
      uint32_t found = front().find_char('}', static_cast<int32_t>(r));
      if (found != kNotFound)
        return h + found;
      r = f;
    }
    uint32_t start = tail_ + (r - f);
    const void* hit = std::memchr(input_ + start, '}', end_ - start);
    return hit ? h + f + static_cast<uint32_t>(static_cast<const char*>(hit) - (input_ + tail_))
               : kNotFound;
  }

  // One pass with the marker at a and the brace at b. False when memory ran out.
  bool rewrite(uint32_t a, uint32_t b) {
    uint32_t h = head_.length(), f = front().length();
    Utf8String& next = fronts_[1 - current_];
    next.reset();
    // The contents lie behind the head: a marker begins at most 9 bytes before its end.
    if (!copy_rest(next, a + kMarkerLength - h, b - h, true))
      return false;
    if (a < h) {
      head_.truncate(a);
    } else if (!copy_rest(head_, 0, a - h, false)) {
      return false;
    }
    uint32_t after = b + 1 - h;
    if (after < f) {
      if (!next.append_bytes(front().text() + after, f - after))
        return false;
    } else {
      tail_ += after - f;
    }
    current_ = 1 - current_;
    return true;
  }

  // The whole text, completed in the head; null when memory ran out.
  ScratchString* finish() {
    return copy_rest(head_, 0, front().length() + (end_ - tail_), false) ? &head_ : nullptr;
  }

private:
  const Utf8String& front() const { return fronts_[current_]; }

  char at(uint32_t i) const {
    uint32_t h = head_.length(), f = front().length();
    if (i < h)
      return head_.text()[i];
    return i - h < f ? front().text()[i - h] : input_[tail_ + (i - h - f)];
  }

  bool matches_marker(uint32_t p) const {
    if (p + kMarkerLength > head_.length() + front().length() + (end_ - tail_))
      return false;
    for (uint32_t k = 0; k < kMarkerLength; ++k) {
      if (at(p + k) != kMarker[k])
        return false;
    }
    return true;
  }

  // Appends the bytes [from, to) of front and tail (positions behind the head), escaped or not.
  bool copy_rest(Utf8String& out, uint32_t from, uint32_t to, bool escaped) const {
    uint32_t f = front().length();
    if (from < f) {
      uint32_t stop = to < f ? to : f;
      const char* bytes = front().text() + from;
      if (!(escaped ? append_escaped(out, bytes, stop - from)
                    : out.append_bytes(bytes, stop - from)))
        return false;
      from = stop;
    }
    if (from < to) {
      const char* bytes = input_ + tail_ + (from - f);
      return escaped ? append_escaped(out, bytes, to - from) : out.append_bytes(bytes, to - from);
    }
    return true;
  }

  const char* input_;
  uint32_t tail_;
  uint32_t end_;
  ScratchString& head_;
  ScratchString* fronts_;
  int current_ = 0;
};

// The rewriting pass by pass, for the rare text that holds a NUL byte before its end: there the
// pieces of a pass end at that byte, which the fast walk does not model. The passes run on a
// copy, so that running out of memory halfway leaves the text as it was instead of half
// rewritten.
void apply_by_passes(Utf8String& text) {
  ScratchString work;
  const Utf8String* current = &text;
  for (;;) {
    uint32_t a = current->find_text(kMarker, 0);
    if (a == kNotFound)
      break;
    uint32_t b = current->find_char('}', static_cast<int32_t>(a));
    if (b == kNotFound)
      break;
    // Every piece ends at the first NUL, as the whole text's own copy would, and at the end of
    // the string, whatever its storage holds behind it.
    const char* bytes = current->text();
    uint32_t head = bounded_length(bytes, a);
    uint32_t contents = bounded_length(bytes + a + kMarkerLength, b - a - kMarkerLength);
    const char* tail = bytes + b + 1;
    uint32_t tail_length = bounded_length(tail, current->length() - (b + 1));
    ScratchString rebuilt;
    if (!rebuilt.append_bytes(bytes, head) ||
        !append_escaped(rebuilt, bytes + a + kMarkerLength, contents) ||
        !rebuilt.append_bytes(tail, tail_length))
      return;
    work.assign(rebuilt.text(), rebuilt.length());
    if (work.length() != rebuilt.length())
      return;
    current = &work;
  }
  if (current == &work)
    text.assign(work.text(), work.length());
}

// The rest of the text after a pass that made a marker of its own, walked pass by pass; then
// the suffix, and the whole result into text. False when memory ran out: text is unchanged.
bool finish_by_passes(Utf8String& text, SafeSectionBuffers& buffers, const uint8_t* done,
                      uint32_t head_end, uint32_t done_length, uint32_t tail, const char* suffix,
                      uint32_t suffix_length) {
  Passes passes(text.text(), text.length(), buffers);
  if (!passes.resume(done, head_end, done_length, tail))
    return false;
  // The head before a pass's marker holds no whole marker, so the next pass's marker begins at
  // most 9 bytes before this one: each search starts there, and the head is kept in place.
  uint32_t from = head_end > kMarkerLength - 1 ? head_end - (kMarkerLength - 1) : 0;
  for (;;) {
    uint32_t a = passes.find_marker(from);
    if (a == kNotFound)
      break;
    uint32_t b = passes.find_brace(a + kMarkerLength);
    if (b == kNotFound)
      break;
    if (!passes.rewrite(a, b))
      return false;
    from = a > kMarkerLength - 1 ? a - (kMarkerLength - 1) : 0;
  }
  ScratchString* result = passes.finish();
  return result && result->append_bytes(suffix, suffix_length) &&
         text.assign_bytes(result->text(), result->length());
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

// Rewrites text and appends suffix; true when text now holds both (see the walk's rewrite).
bool rewrite(Utf8String& text, SafeSectionBuffers& buffers, const char* suffix,
             uint32_t suffix_length) {
  // The string's own bytes and length, read without a call through its interface.
  const char* input = text.Utf8String::text();
  uint32_t length = text.Utf8String::length();
#if SECTION_SSE2_SCAN
  if (takes_sse2(buffers.scan))
    return sse2::rewrite(text, input, length, buffers, suffix, suffix_length);
#endif
  return words::rewrite(text, input, length, buffers, suffix, suffix_length);
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
  rewrite(text, buffers, "", 0);
}

void apply_safe_sections(Utf8String& text) {
  SafeSectionBuffers buffers;
  apply_safe_sections(text, buffers);
}

void apply_safe_sections_then_append(Utf8String& text, SafeSectionBuffers& buffers,
                                     const char* suffix) {
  uint32_t count = 0; // the line end at most: not worth a call
  while (suffix[count] != '\0')
    ++count;
  if (!rewrite(text, buffers, suffix, count) && count > 0)
    text.append_bytes(suffix, count);
}

} // namespace vorlane
