// Safe sections: "@htmlsafe{" ... "}" spans of formatted text are replaced by their contents with
// "&", ">" and "<" turned into entities. Text outside sections is left alone.
#pragma once

#include "base/memory_block.h"
#include "base/utf8_string.h"

namespace vorlane {

// How the walk reads the text: 16 bytes at a time with SSE2, or 8 at a time in a 64-bit word.
// Best takes SSE2 where the processor has it; the others are there so that tests cover both
// scans on every machine.
enum class SectionScan : uint8_t { Best, Words, Sse2 };

// Whether this processor and build can take the scan; Best and Words always can.
bool section_scan_available(SectionScan scan);
// The scan that Best stands for here.
SectionScan best_section_scan();
const char* section_scan_name(SectionScan scan);

// Working storage of the rewrite, from the module's own heap. Kept by a caller that rewrites many
// texts, it saves the allocations of each call: its block only grows, or trades places with the
// rewritten text of a string that the module made.
struct SafeSectionBuffers {
  MemoryBlock output{GrowthPolicy::DoublingKeep};
  SectionScan scan = SectionScan::Best;
};

// Rewrites a string that the module made in place, in time and memory in proportion to the text
// and the result. Running out of memory leaves the text as it was.
void apply_safe_sections(Utf8String& text);
void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers);
// The same for a string that another module may have made, then appends suffix. The text is read
// through the string's interface, and the result handed over with one assign, the suffix with one
// append: the string's storage is grown and freed only by its own code. Each step is done whole or
// not at all.
void apply_safe_sections_then_append(StringSink& text, SafeSectionBuffers& buffers,
                                     const char* suffix);

} // namespace vorlane
