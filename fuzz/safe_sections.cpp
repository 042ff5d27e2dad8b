// Any text: apply_safe_sections gives exactly the bytes of the pass-by-pass oracle with each
// scan, and a text without a marker comes back unchanged.
#include <cstring>
#include <string>

#include "base/utf8_string.h"
#include "format/safe_sections.h"
#include "format/safe_sections_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  input = input.c_str(); // a formatted text holds no NUL byte
  vorlane::Utf8String slow;
  slow.assign_text(input.c_str());
  oracle::apply_safe_sections(slow);
  for (vorlane::SectionScan scan : {vorlane::SectionScan::Words, vorlane::SectionScan::Sse2}) {
    if (!vorlane::section_scan_available(scan))
      continue;
    vorlane::Utf8String fast;
    fast.assign_text(input.c_str());
    vorlane::SafeSectionBuffers buffers;
    buffers.scan = scan;
    vorlane::apply_safe_sections(fast, buffers);
    if (fast.length() != slow.length() || std::strcmp(fast.text(), slow.text()) != 0)
      __builtin_trap();
    if (input.find("@htmlsafe{") == std::string::npos && input != fast.text())
      __builtin_trap();
  }
  return 0;
}
