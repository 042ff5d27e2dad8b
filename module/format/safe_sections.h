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

// Working storage of the rewrite. Kept by a caller that rewrites many texts, it saves the
// allocations of each call: its block only grows, or trades places with a rewritten text.
struct SafeSectionBuffers {
  MemoryBlock output{GrowthPolicy::DoublingKeep};
  SectionScan scan = SectionScan::Best;
};

// Rewrites text in place, in time and memory in proportion to the text and the result. Running
// out of memory leaves the text as it was.
void apply_safe_sections(Utf8String& text);
void apply_safe_sections(Utf8String& text, SafeSectionBuffers& buffers);
// The same, then appends suffix. When the text has sections, the rewritten text and the suffix
// go into it with one reservation. Each step is done whole or not at all.
void apply_safe_sections_then_append(Utf8String& text, SafeSectionBuffers& buffers,
                                     const char* suffix);

} // namespace vorlane
