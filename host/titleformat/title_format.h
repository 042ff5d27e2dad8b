// The host's title-format language, which turns a format string and the variables of one
// playlist entry into text:
//   %name%           a variable; unknown ones give the empty text. The name runs to the next "%".
//   [ ... ]          shown only when every %name% directly inside (not in a nested bracket or in
//                    a function's arguments) is known and not empty; brackets nest.
//   '...'            literal text; '' is one quote, inside a literal too.
//   $name(a,b,...)   a function: crlf, tab, char, if, if2, upper, lower, len, num, add, sub,
//                    mul, div, mod, greater, replace, json, printable, uri.
// The formatter never fails: whatever is malformed comes out as text (a "%" without its closing
// "%", a "$" that starts no call, a call that is never closed) or as [UNKNOWN FUNCTION] (an
// unknown name, the wrong number of arguments), and an unclosed bracket or literal runs to the
// end of the format. Nesting deeper than kMaxTitleFormatDepth is taken as plain text.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

inline constexpr int kMaxTitleFormatDepth = 64;

// The value of a variable, or none when it is unknown.
using TitleLookup = std::function<std::optional<std::string>(std::string_view name)>;

std::string format_title_text(std::string_view format, const TitleLookup& lookup);

} // namespace tessaly
