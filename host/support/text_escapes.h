// Escapes in the texts a user gives on the command line, and the same escapes for showing a
// value on one line.
#pragma once

#include <string>

namespace tessaly {

// Decodes \n, \r, \t, \\ and \xNN (two hex digits) in text. False, with the reason in problem,
// for another escape, a lone backslash at the end, a zero byte (which would end the text) or
// a result that is not UTF-8.
bool unescape_text(const std::string& text, std::string* out, std::string* problem);
// The other way round, for showing a value on one line: \\, \r, \n, \t, and \xNN for the other
// bytes below 0x20. Everything else passes unchanged.
std::string escape_text(const std::string& bytes);

} // namespace tessaly
