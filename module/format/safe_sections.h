// Safe sections: "@htmlsafe{" ... "}" spans of formatted text are replaced by their contents with
// "&", ">" and "<" turned into entities. Text outside sections is left alone.
#pragma once

#include "base/utf8_string.h"

namespace vorlane {

// Working storage of the rewrite. Kept by a caller that rewrites many texts, it saves the
// allocations of each call: its buffers only grow.
struct SafeSectionBuffers {
  ScratchString head;
  ScratchString fronts[2];
};

// Rewrites text in place.
void apply_safe_sections(Utf8String& text);
void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers);

} // namespace vorlane
