// Any template with a fixed set of arguments that are valid both as integers and as texts:
// format_into never reads past the template or the arguments.
#include <cstring>
#include <string>

#include "base/formatted_string.h"

namespace {

constexpr int kArguments = 12;

// Every argument is a pointer to a text; read as a 32-bit integer it is a valid integer too.
const char* const kTexts[kArguments] = {"",   "a",   "hello", "é€", "%s%i", "12345",
                                        "-7", "x y", "\xc3",  "0",  "text", "last"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string format(reinterpret_cast<const char*>(data), size);
  format = format.c_str(); // a template ends at its first NUL
  // At most one argument per "%", so the fixed arguments always suffice.
  // Widths of five digits and more only make the fuzzer spend its time writing padding.
  size_t conversions = 0, digits = 0;
  for (char c : format) {
    conversions += c == '%';
    digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
    if (digits > 4)
      return 0;
  }
  if (conversions > kArguments)
    return 0;
  // An exact-size copy, so that reading past the NUL is caught.
  char* tmpl = new char[format.size() + 1];
  std::memcpy(tmpl, format.c_str(), format.size() + 1);
  vorlane::FormattedString out(tmpl, kTexts[0], kTexts[1], kTexts[2], kTexts[3], kTexts[4],
                               kTexts[5], kTexts[6], kTexts[7], kTexts[8], kTexts[9], kTexts[10],
                               kTexts[11]);
  delete[] tmpl;
  if (std::strlen(out.text()) != out.length())
    __builtin_trap();
  return 0;
}
