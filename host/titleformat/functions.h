// The functions of the title-format language: crlf, tab, char, if, if2, upper, lower, len, num,
// add, sub, mul, div, mod, greater, replace, json, printable, uri, groupfirst, groupcount and
// grouplength. Names compare without regard
// to ASCII case. A call is resolved once, when its format is compiled, and applied per entry.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

enum class TitleFunction : unsigned char {
  Crlf,
  Tab,
  Char,
  If,
  If2,
  Upper,
  Lower,
  Len,
  Num,
  Add,
  Sub,
  Mul,
  Div,
  Mod,
  Replace,
  Greater,
  Json,
  Printable,
  Uri,
  // The entries around this one: a group is a run of neighbours whose key (the argument) is the
  // same text. Evaluated by the formatter, which holds the playlist.
  GroupFirst,
  GroupCount,
  GroupLength,
};

// True for the functions whose result depends on other entries than the one formatted.
inline bool looks_at_neighbours(TitleFunction function) {
  return function >= TitleFunction::GroupFirst;
}

// The function a call of name with count arguments means, or none when no function has that name
// and number of arguments.
std::optional<TitleFunction> title_function(std::string_view name, size_t count);

// Appends the result of function on its evaluated args (as many as it was resolved with) to out.
void append_title_function(TitleFunction function, const std::string* args, size_t count,
                           std::string& out);

} // namespace tessaly
