// Safe sections: "@htmlsafe{" ... "}" spans of formatted text are replaced by their contents with
// "&", ">" and "<" turned into entities. Text outside sections is left alone.
#pragma once

#include "base/memory_block.h"
#include "base/utf8_string.h"

namespace vorlane {

// Working storage of the rewrite. Kept by a caller that rewrites many texts, it saves the
// allocations of each call: its buffers only grow.
struct SafeSectionBuffers {
  MemoryBlock output{GrowthPolicy::DoublingKeep};
  ScratchString head;
  ScratchString fronts[2];
};

// Rewrites text in place. Running out of memory leaves the text as it was.
void apply_safe_sections(Utf8String& text);
void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers);
// The same, then appends suffix. When the text has sections, the rewritten text and the suffix
// go into it with one reservation. Each step is done whole or not at all.
void apply_safe_sections_then_append(Utf8String& text, SafeSectionBuffers& buffers,
                                     const char* suffix);

} // namespace vorlane
