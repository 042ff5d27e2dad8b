// The extra items that come with a title-format call: the variables an output format adds to
// the entry's fields.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tessaly {

// The pairs of an extra-items text ("name=value" NUL ... NUL NUL), split at the first "=".
// Items without "=" are skipped; null gives none.
std::vector<std::pair<std::string, std::string>> parse_extra_items(const char* items);

} // namespace tessaly
