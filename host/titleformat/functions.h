// The functions of the title-format language: crlf, tab, char, if, if2, upper, lower, len, num,
// add, sub, mul, div, mod, greater, replace, json, printable and uri. Names compare without regard
// to ASCII case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The result of a call of name with the evaluated args, or none when no function has that name and
// number of arguments.
std::optional<std::string> call_title_function(std::string_view name,
                                               const std::vector<std::string>& args);

} // namespace tessaly
