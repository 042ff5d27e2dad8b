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

// The text between two passes, as three parts: `head`, the bytes before the last marker, which
// later passes keep except for at most its last 9 bytes; `front`, the escaped contents that the
// last pass produced; and the unread rest of the input from `tail`. Positions are into the
// whole text, head first.
class Passes {
public:
  Passes(const char* input, uint32_t length, SafeSectionBuffers& buffers)
      : input_(input), tail_(0), end_(length), head_(buffers.head), fronts_(buffers.fronts) {
    head_.reset();
    fronts_[0].reset();
    fronts_[1].reset();
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
  const Utf8String* finish() {
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

} // namespace

void apply_safe_sections(Utf8String& text) {
  SafeSectionBuffers buffers;
  apply_safe_sections(text, buffers);
}

void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers) {
  const char* input = text.text();
  uint32_t length = text.length();
  if (std::memchr(input, '\0', length)) {
    apply_by_passes(text);
    return;
  }
  // Each pass takes the first marker of the whole text and the first "}" behind it. The head
  // before a pass's marker holds no whole marker, so the next pass's marker begins at most 9
  // bytes before this one: each search starts there instead of at the start of the text, and
  // the head is kept in place instead of being rebuilt, which makes the rewrite linear.
  Passes passes(input, length, buffers);
  uint32_t from = 0;
  bool changed = false;
  for (;;) {
    uint32_t a = passes.find_marker(from);
    if (a == kNotFound)
      break;
    uint32_t b = passes.find_brace(a + kMarkerLength);
    if (b == kNotFound)
      break;
    if (!passes.rewrite(a, b))
      return; // out of memory: the text stays as it was
    changed = true;
    from = a > kMarkerLength - 1 ? a - (kMarkerLength - 1) : 0;
  }
  if (!changed)
    return;
  if (const Utf8String* result = passes.finish())
    text.assign(result->text(), result->length());
}

} // namespace vorlane
