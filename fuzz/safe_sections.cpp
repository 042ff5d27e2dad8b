// Any text: apply_safe_sections gives exactly the bytes of the pass-by-pass oracle with each
// scan, and a text without a marker comes back unchanged. The oracle costs a pass per section
// over the whole text, so longer texts, up to the thousands of nested sections that the options
// allow, are compared between the scans only: there the point is the time limit, since the
// module's rewrite has to stay in proportion to its output.
#include <cstring>
#include <string>

#include "base/utf8_string.h"
#include "format/safe_sections.h"
#include "format/safe_sections_oracle.h"

namespace {

constexpr size_t kOracleUpTo = 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  input = input.c_str(); // a formatted text holds no NUL byte
  vorlane::Utf8String expected;
  bool known = input.size() <= kOracleUpTo;
  if (known) {
    expected.assign_text(input.c_str());
    oracle::apply_safe_sections(expected);
  }
  for (vorlane::SectionScan scan : {vorlane::SectionScan::Words, vorlane::SectionScan::Sse2}) {
    if (!vorlane::section_scan_available(scan))
      continue;
    vorlane::Utf8String fast;
    fast.assign_text(input.c_str());
    vorlane::SafeSectionBuffers buffers;
    buffers.scan = scan;
    vorlane::apply_safe_sections(fast, buffers);
    if (input.find("@htmlsafe{") == std::string::npos && input != fast.text())
      __builtin_trap();
    if (!known) {
      // The first scan's result stands in for the oracle's.
      expected.assign(fast.text(), fast.length());
      known = true;
      continue;
    }
    if (fast.length() != expected.length() || std::strcmp(fast.text(), expected.text()) != 0)
      __builtin_trap();
  }
  return 0;
}
