#include "safe_sections.h"

#include <cstring>

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

// Appends bytes to out with every "&", ">" and "<" escaped. Applying the three replacements one
// after the other, each resuming behind what it inserted, gives the same bytes as this single
// walk: "&" becomes "&amp;" first, and the later rows only meet their own characters.
bool append_escaped(Utf8String& out, const char* bytes, uint32_t count) {
  uint32_t start = 0;
  for (uint32_t i = 0; i < count; ++i) {
    for (const Replacement& r : kReplacements) {
      if (bytes[i] == r.character) {
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

// The text still to be rewritten: `front`, the bytes a pass produced, followed by the unread
// rest of the input from `tail`. Positions are into that concatenation.
class Remainder {
public:
  Remainder(const char* input, uint32_t length) : input_(input), tail_(0), end_(length) {}

  uint32_t size() const { return front_.length() + (end_ - tail_); }
  char at(uint32_t i) const {
    uint32_t f = front_.length();
    return i < f ? front_.text()[i] : input_[tail_ + (i - f)];
  }
  uint32_t find_marker() const {
    uint32_t f = front_.length();
    uint32_t found = front_.find_text(kMarker, 0);
    if (found != kNotFound)
      return found;
    // A marker may straddle front and tail.
    for (uint32_t i = f > kMarkerLength - 1 ? f - (kMarkerLength - 1) : 0; i < f; ++i) {
      if (i + kMarkerLength <= size() && matches_marker(i))
        return i;
    }
    const char* tail = input_ + tail_;
    uint32_t left = end_ - tail_;
    for (uint32_t i = 0; i + kMarkerLength <= left;) {
      const void* hit = std::memchr(tail + i, '@', left - kMarkerLength + 1 - i);
      if (!hit)
        break;
      i = static_cast<uint32_t>(static_cast<const char*>(hit) - tail);
      if (std::memcmp(tail + i, kMarker, kMarkerLength) == 0)
        return f + i;
      ++i;
    }
    return kNotFound;
  }
  uint32_t find_brace(uint32_t from) const {
    uint32_t f = front_.length();
    if (from < f) {
      uint32_t found = front_.find_char('}', static_cast<int32_t>(from));
      if (found != kNotFound)
        return found;
      from = f;
    }
    uint32_t start = tail_ + (from - f);
    const void* hit = std::memchr(input_ + start, '}', end_ - start);
    return hit ? f + static_cast<uint32_t>(static_cast<const char*>(hit) - input_) - tail_
               : kNotFound;
  }
  // Appends the bytes [from, to) to out, escaped or not; false when out could not grow.
  bool copy(Utf8String& out, uint32_t from, uint32_t to, bool escaped) const {
    uint32_t f = front_.length();
    if (from < f) {
      uint32_t stop = to < f ? to : f;
      const char* bytes = front_.text() + from;
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
  // The text from `keep` on becomes: the bytes [keep, a), the escaped section [a + 10, b), and
  // the rest behind b. Everything before keep has been copied out. False when memory ran out.
  bool rewrite(uint32_t keep, uint32_t a, uint32_t b) {
    next_.reset();
    uint32_t f = front_.length();
    if (!copy(next_, keep, a, false) || !copy(next_, a + kMarkerLength, b, true))
      return false;
    uint32_t new_tail = tail_;
    if (b + 1 < f) {
      if (!append_bytes(next_, front_.text() + b + 1, f - b - 1))
        return false;
    } else {
      new_tail = tail_ + (b + 1 - f);
    }
    front_.reset();
    if (!append_bytes(front_, next_.text(), next_.length()))
      return false;
    tail_ = new_tail;
    return true;
  }

private:
  bool matches_marker(uint32_t i) const {
    for (uint32_t k = 0; k < kMarkerLength; ++k) {
      if (at(i + k) != kMarker[k])
        return false;
    }
    return true;
  }

  const char* input_;
  uint32_t tail_;
  uint32_t end_;
  ScratchString front_;
  ScratchString next_;
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

} // namespace

void apply_safe_sections(Utf8String& text) {
  const char* input = text.text();
  uint32_t length = text.length();
  if (std::memchr(input, '\0', length)) {
    apply_by_passes(text);
    return;
  }
  // Each pass takes the first marker of the whole remaining text and the first "}" behind it.
  // The head before a marker holds no whole marker, so the next pass's marker begins at most 9
  // bytes before this one: everything before that is final and goes to the output at once,
  // which keeps the whole rewrite linear instead of one full rebuild per section.
  Remainder rest(input, length);
  ScratchString out;
  bool changed = false;
  for (;;) {
    uint32_t a = rest.find_marker();
    if (a == kNotFound)
      break;
    uint32_t b = rest.find_brace(a + kMarkerLength);
    if (b == kNotFound)
      break;
    uint32_t keep = a > kMarkerLength - 1 ? a - (kMarkerLength - 1) : 0;
    if (!rest.copy(out, 0, keep, false) || !rest.rewrite(keep, a, b))
      return; // out of memory: the text stays as it was
    changed = true;
  }
  if (!changed)
    return;
  if (rest.copy(out, 0, rest.size(), false))
    text.assign(out.text(), out.length());
}

} // namespace vorlane
