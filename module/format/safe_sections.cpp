#include "safe_sections.h"

#include <bit>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Appends count bytes (none of them NUL); false when the string could not grow.
bool append_bytes(Utf8String& out, const char* bytes, uint32_t count) {
  uint32_t before = out.length();
  out.append(bytes, count);
  return out.length() == before + count;
}

// Replaces the text with count bytes (none of them NUL); false when the string could not grow.
// A failed assignment keeps the old text, whose length differs: one of equal length needs no
// growth and cannot fail.
bool assign_bytes(Utf8String& text, const void* bytes, uint32_t count) {
  text.assign(static_cast<const char*>(bytes), count);
  return text.length() == count;
}

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
        if (!append_bytes(out, bytes + start, i - start) ||
            !append_bytes(out, r.entity, static_cast<uint32_t>(std::strlen(r.entity))))
          return false;
        start = i + 1;
        break;
      }
    }
  }
  return append_bytes(out, bytes + start, count - start);
}

// The first marker that lies wholly in bytes [from, length); kNotFound when there is none.
// last_at is set to the last "@" before it that began no marker, or kNotFound.
uint32_t find_marker(const char* bytes, uint32_t from, uint32_t length, uint32_t& last_at) {
  last_at = kNotFound;
  if (length < kMarkerLength)
    return kNotFound;
  uint32_t last = length - kMarkerLength;
  while (from <= last) {
    const void* hit = std::memchr(bytes + from, '@', last - from + 1);
    if (!hit)
      return kNotFound;
    uint32_t at = static_cast<uint32_t>(static_cast<const char*>(hit) - bytes);
    if (std::memcmp(bytes + at + 1, kMarker + 1, kMarkerLength - 1) == 0)
      return at;
    last_at = at;
    from = at + 1;
  }
  return kNotFound;
}

bool is_section_byte(char c) {
  return c == '&' || c == '<' || c == '>' || c == '@' || c == '}';
}

// The forward walk reads the text a chunk at a time and stores each chunk whole, keeping only
// the bytes before the chunk's first byte of interest, so that runs are copied as they are
// scanned. Marks: a set bit for each byte of interest, lowest first. "@" is of interest inside
// sections too, because it may begin a marker in the escaped contents.
#if defined(__SSE2__)
constexpr uint32_t kChunk = 16;
using Chunk = __m128i;
using Marks = uint32_t;

Chunk load_chunk(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
void store_chunk(uint8_t* to, Chunk chunk) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), chunk);
}
Marks marks_of(Chunk equal) {
  return static_cast<Marks>(_mm_movemask_epi8(equal));
}
Marks at_marks(Chunk chunk) {
  return marks_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('@')));
}
// "&", "<", ">", "@" and "}"; "<" and ">" differ in one bit only.
Marks section_marks(Chunk chunk) {
  Chunk angle = _mm_cmpeq_epi8(_mm_or_si128(chunk, _mm_set1_epi8(2)), _mm_set1_epi8('>'));
  Chunk amp = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('&'));
  Chunk at = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('@'));
  Chunk brace = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('}'));
  return marks_of(_mm_or_si128(_mm_or_si128(angle, amp), _mm_or_si128(at, brace)));
}
// The position of the lowest mark, which is taken off.
uint32_t take_mark(Marks& marks) {
  uint32_t position = static_cast<uint32_t>(std::countr_zero(marks));
  marks &= marks - 1;
  return position;
}
#else
// Eight bytes in a word, the first in its lowest byte; a mark is the top bit of a byte.
static_assert(std::endian::native == std::endian::little);
constexpr uint32_t kChunk = 8;
using Chunk = uint64_t;
using Marks = uint64_t;
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;

Chunk load_chunk(const char* p) {
  Chunk word;
  std::memcpy(&word, p, 8);
  return word;
}
void store_chunk(uint8_t* to, Chunk word) {
  std::memcpy(to, &word, 8);
}
// Marks the bytes that are 0. Adding to the low seven bits carries no borrow into the next
// byte, so every mark is true.
Marks zero_bytes(uint64_t x) {
  return ~(((x & kLows) + kLows) | x | kLows);
}
Marks at_marks(Chunk word) {
  return zero_bytes(word ^ (kOnes * '@'));
}
Marks section_marks(Chunk word) {
  return zero_bytes(word ^ (kOnes * '&')) | zero_bytes((word ^ (kOnes * '<')) & ~(kOnes * 2)) |
         zero_bytes(word ^ (kOnes * '@')) | zero_bytes(word ^ (kOnes * '}'));
}
uint32_t take_mark(Marks& marks) {
  uint32_t position = static_cast<uint32_t>(std::countr_zero(marks) / 8);
  marks &= marks - 1;
  return position;
}
#endif

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

// The rewritten text, written straight into a block that only grows. Callers reserve room, then
// put bytes without further checks.
class Output {
public:
  explicit Output(MemoryBlock& block)
      : block_(block), span_{block.data(), block.data(), block.data() + block.size()} {}

  // Room for count more bytes; false when the block could not grow.
  bool reserve(uint32_t count) {
    if (static_cast<uint32_t>(span_.limit - span_.at) >= count)
      return true;
    OutputSpan grown = grow_output(block_, span_, count);
    if (!grown.start)
      return false;
    span_ = grown;
    return true;
  }
  void put(const void* bytes, uint32_t count) {
    std::memcpy(span_.at, bytes, count);
    span_.at += count;
  }
  bool append(const void* bytes, uint32_t count) {
    if (!reserve(count))
      return false;
    put(bytes, count);
    return true;
  }

  // Stores a chunk, or a word, without counting it: advance counts the bytes that are kept.
  void put_chunk(Chunk chunk) { store_chunk(span_.at, chunk); }
  void put_word(uint64_t word) { std::memcpy(span_.at, &word, 8); }
  void advance(uint32_t count) { span_.at += count; }
  // Takes back what was written from length on.
  void truncate(uint32_t length) { span_.at = span_.start + length; }

  const uint8_t* data() const { return span_.start; }
  uint32_t length() const { return static_cast<uint32_t>(span_.at - span_.start); }

private:
  MemoryBlock& block_;
  OutputSpan span_;
};

constexpr uint32_t kOutOfMemory = kNotFound - 1;
constexpr uint32_t kHandOverFrom = 16 << 10;

// Copies the input from `from` up to the next marker, or to the end, into out. Returns the
// marker's position, kNotFound when there is none, or kOutOfMemory; last_at as find_marker.
// The head between two sections is mostly short: it is scanned a word at a time and each word
// stored whole, which costs no call; a long one is left to memchr and one copy.
[[gnu::always_inline]] inline uint32_t copy_to_marker(Output& out, const char* input, uint32_t from,
                                                      uint32_t length, uint32_t& last_at) {
  last_at = kNotFound;
  const char* p = input + from;
  const char* end = input + length;
  const std::ptrdiff_t chunk_and_marker = kChunk + kMarkerLength;
  for (uint32_t scanned = 0; scanned < 64 && end - p >= chunk_and_marker; scanned += kChunk) {
    if (!out.reserve(kChunk))
      return kOutOfMemory;
    Chunk chunk = load_chunk(p);
    out.put_chunk(chunk);
    Marks marks = at_marks(chunk);
    if (!marks) {
      // Moving on by the constant lets the next load start before this scan is done.
      out.advance(kChunk);
      p += kChunk;
      continue;
    }
    uint32_t run = take_mark(marks);
    out.advance(run);
    p += run;
    if (std::memcmp(p + 1, kMarker + 1, kMarkerLength - 1) == 0)
      return static_cast<uint32_t>(p - input);
    last_at = static_cast<uint32_t>(p - input);
    out.advance(1);
    ++p;
  }
  uint32_t rest = static_cast<uint32_t>(p - input), skipped;
  uint32_t a = find_marker(input, rest, length, skipped);
  if (skipped != kNotFound)
    last_at = skipped;
  if (!out.append(p, (a == kNotFound ? length : a) - rest))
    return kOutOfMemory;
  return a;
}

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

// Appends the replacement of "&", "<", ">" or "@" (itself); needs room for 8 bytes.
// The four differ in bits 1 to 3: the replacement is looked up, not branched on, since the
// characters come in no order that a branch could learn.
void put_entity(Output& out, char c, bool& holds_at) {
  const Entity& entity = kEntities[(static_cast<uint8_t>(c) >> 1) & 7];
  out.put_word(entity.bytes);
  out.advance(entity.length);
  holds_at |= c == '@';
}

// Appends the contents that begin at p, up to the first "}" before end, with "&", ">" and "<"
// escaped; the same bytes as the three replacements applied row by row (see append_escaped).
// Returns that "}", or end when there is none, or null when memory ran out. Sets holds_at when
// the contents hold an "@".
[[gnu::always_inline]] inline const char* escape_section(Output& out, const char* p,
                                                         const char* end, bool& holds_at) {
  // The marks of a chunk are taken one by one; the run before each is copied by storing a whole
  // chunk read from the run's start, which must lie inside the text.
  const std::ptrdiff_t two_chunks = 2 * kChunk;
  while (end - p >= two_chunks) {
    // Every byte of a chunk may become an entity, and each store may reach a chunk further.
    if (!out.reserve(6 * kChunk))
      return nullptr;
    Chunk chunk = load_chunk(p);
    Marks marks = section_marks(chunk);
    if (!marks) {
      out.put_chunk(chunk);
      out.advance(kChunk);
      p += kChunk;
      continue;
    }
    const char* base = p;
    do {
      const char* q = base + take_mark(marks);
      out.put_chunk(load_chunk(p));
      out.advance(static_cast<uint32_t>(q - p));
      if (*q == '}')
        return q;
      put_entity(out, *q, holds_at);
      p = q + 1;
    } while (marks);
  }
  for (;;) {
    const char* q = p;
    while (q < end && !is_section_byte(*q))
      ++q;
    if (!out.append(p, static_cast<uint32_t>(q - p)))
      return nullptr;
    if (q == end)
      return end;
    if (*q == '}')
      return q;
    if (!out.reserve(8))
      return nullptr;
    put_entity(out, *q, holds_at);
    p = q + 1;
  }
}

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

// After a pass the text is the output followed by the unread input. The pass's head (the output
// up to head_end) holds no whole marker, since the pass took the first one, so a marker that
// begins in the output begins in the head's last 9 bytes or in the escaped contents behind it,
// which can hold one only where they hold an "@". The caller may know that the head's last
// bytes hold no "@" either.
[[gnu::always_inline]] inline bool marker_in_output(const Output& out, uint32_t head_end,
                                                    bool head_end_holds_at, bool contents_hold_at,
                                                    const char* rest, uint32_t rest_length) {
  uint32_t from = head_end;
  if (head_end_holds_at)
    from = head_end > kMarkerLength - 1 ? head_end - (kMarkerLength - 1) : 0;
  uint32_t to = contents_hold_at ? out.length() : head_end;
  for (uint32_t p = from; p < to; ++p) {
    if (out.data()[p] == '@' && marker_at(out.data(), out.length(), p, rest, rest_length))
      return true;
  }
  return false;
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
    return append_bytes(head_, bytes, head_length) &&
           append_bytes(fronts_[0], bytes + head_length, done_length - head_length);
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
      if (!append_bytes(next, front().text() + after, f - after))
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
                    : append_bytes(out, bytes, stop - from)))
        return false;
      from = stop;
    }
    if (from < to) {
      const char* bytes = input_ + tail_ + (from - f);
      return escaped ? append_escaped(out, bytes, to - from) : append_bytes(out, bytes, to - from);
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
    // Every piece ends at the first NUL, as the whole text's own copy would.
    const char* bytes = current->text();
    uint32_t head = bounded_length(bytes, a);
    uint32_t contents = bounded_length(bytes + a + kMarkerLength, b - a - kMarkerLength);
    const char* tail = bytes + b + 1;
    ScratchString rebuilt;
    if (!append_bytes(rebuilt, bytes, head) ||
        !append_escaped(rebuilt, bytes + a + kMarkerLength, contents) ||
        !append_bytes(rebuilt, tail, bounded_length(tail, kWholeText)))
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
  return result && append_bytes(*result, suffix, suffix_length) &&
         assign_bytes(text, result->text(), result->length());
}

// Rewrites text and appends suffix. True when text now holds both; false when the suffix is
// still to be appended, because the text has no section, or its rewriting ran out of memory
// and left it as it was, or it holds a NUL byte and was rewritten on its own.
bool rewrite(Utf8String& text, SafeSectionBuffers& buffers, const char* suffix,
             uint32_t suffix_length) {
  const char* input = text.text();
  uint32_t length = text.length();
  uint32_t last_at;
  uint32_t a = find_marker(input, 0, length, last_at);
  if (a == kNotFound)
    return false;
  if (std::memchr(input, '\0', length)) {
    apply_by_passes(text);
    return false;
  }

  // Each pass takes the first marker of the whole text and the first "}" behind it. Walking
  // forward gives the same bytes as long as no pass makes a marker in what it wrote; the walk
  // checks that after every section and hands the rest to the general walk when one appears.
  // A section drops 11 bytes and few texts escape more than that, so the input's length is
  // usually room enough; the block doubles when it is not.
  Output out(buffers.output);
  if (suffix_length > UINT32_MAX - length || !out.reserve(length + suffix_length))
    return false;
  const char* end = input + length;
  uint32_t next = 0; // the first input byte not yet written
  bool rewritten = false;
  if (!out.append(input, a))
    return false;
  for (;;) {
    uint32_t span = a - next;
    uint32_t head_end = out.length();
    // Where the head's last 9 bytes all come from the span just searched, the search saw every
    // "@" among them.
    bool head_end_holds_at = !(span >= kMarkerLength - 1 || span == head_end) ||
                             (last_at != kNotFound && last_at + (kMarkerLength - 1) >= a);
    bool contents_hold_at = false;
    const char* brace = escape_section(out, input + a + kMarkerLength, end, contents_hold_at);
    if (!brace)
      return false;
    if (brace == end) {
      // An open section: it and everything behind it stay as they are.
      if (!rewritten)
        return false;
      out.truncate(head_end);
      if (!out.append(input + a, length - a))
        return false;
      break;
    }
    rewritten = true;
    next = static_cast<uint32_t>(brace - input) + 1;
    if (marker_in_output(out, head_end, head_end_holds_at, contents_hold_at, input + next,
                         length - next))
      return finish_by_passes(text, buffers, out.data(), head_end, out.length(), next, suffix,
                              suffix_length);
    a = copy_to_marker(out, input, next, length, last_at);
    if (a == kOutOfMemory)
      return false;
    if (a == kNotFound)
      break;
  }
  if (!rewritten || !out.append(suffix, suffix_length) || !out.reserve(1))
    return false;
  // A large text is handed over with its block instead of being copied back: the copy would cost
  // as much again as the rewrite.
  if (out.length() >= kHandOverFrom) {
    text.take_storage(buffers.output, out.length());
    return true;
  }
  return assign_bytes(text, out.data(), out.length());
}

} // namespace

void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers) {
  rewrite(text, buffers, "", 0);
}

void apply_safe_sections(Utf8String& text) {
  SafeSectionBuffers buffers;
  apply_safe_sections(text, buffers);
}

void apply_safe_sections_then_append(Utf8String& text, SafeSectionBuffers& buffers,
                                     const char* suffix) {
  uint32_t count = bounded_length(suffix, kWholeText);
  if (!rewrite(text, buffers, suffix, count) && count > 0)
    text.append(suffix, count);
}

} // namespace vorlane
