#include "safe_sections_oracle.h"

#include <cstdint>

namespace oracle {
namespace {

const char kMarker[] = "@htmlsafe{";
const uint32_t kMarkerLength = 10;

struct Replacement {
  const char* character;
  const char* entity;
  int32_t entity_length;
};
const Replacement kReplacements[] = {{"&", "&amp;", 5}, {">", "&gt;", 4}, {"<", "&lt;", 4}};

} // namespace

void apply_safe_sections(vorlane::Utf8String& text) {
  using vorlane::kNotFound;
  using vorlane::Utf8String;
  for (;;) {
    uint32_t a = text.find_text(kMarker, 0);
    if (a == kNotFound)
      return;
    uint32_t b = text.find_char('}', static_cast<int32_t>(a));
    if (b == kNotFound)
      return;

    Utf8String contents, tail, head;
    contents.assign_text(text.text() + a + kMarkerLength);
    contents.truncate(b - a - kMarkerLength);
    tail.assign_text(text.text() + b + 1);
    head.assign_from(text);
    head.truncate(a);

    for (const Replacement& r : kReplacements) {
      int32_t position = 0;
      for (;;) {
        uint32_t found = contents.find_text(r.character, position);
        if (found == kNotFound)
          break;
        contents.remove_range(found, 1);
        contents.insert_text(found, r.entity);
        position = static_cast<int32_t>(found) + r.entity_length;
      }
    }

    text.assign_from(head);
    text.append_text(contents.text());
    text.append_text(tail.text());
  }
}

} // namespace oracle
