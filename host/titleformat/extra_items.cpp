#include "titleformat/extra_items.h"

namespace tessaly {

std::vector<std::pair<std::string, std::string>> parse_extra_items(const char* items) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!items)
    return pairs;
  while (*items) {
    std::string_view item(items);
    size_t equals = item.find('=');
    if (equals != std::string_view::npos)
      pairs.emplace_back(item.substr(0, equals), item.substr(equals + 1));
    items += item.size() + 1;
  }
  return pairs;
}

} // namespace tessaly
