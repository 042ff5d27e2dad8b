// The order people expect of names and numbers: "Track 2" before "Track 10", "abc" beside "ABC".
#pragma once

#include <string_view>

namespace tessaly {

// Below zero when a sorts before b, zero when they are equal in this order, above zero after.
// A run of digits compares by its value, whatever its length ("007" equals "7"); other bytes
// compare with ASCII letters folded to lower case, the rest byte by byte (so UTF-8 text keeps
// its code point order). Time in proportion to the shorter text.
int natural_compare(std::string_view a, std::string_view b);

} // namespace tessaly
