// A plain, pass-by-pass rewriting of "@htmlsafe{" ... "}" sections, written for clarity rather
// than speed: each pass takes the first marker of the whole text and the first "}" behind it,
// splits the text into head, contents and tail, escapes the contents one replacement at a time
// and joins the three again. Tests, fuzzers and benchmarks compare apply_safe_sections with it.
#pragma once

#include "base/utf8_string.h"

namespace oracle {

void apply_safe_sections(vorlane::Utf8String& text);

} // namespace oracle
