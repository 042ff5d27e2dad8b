#include "playlist/playlist.h"

#include <algorithm>

namespace tessaly {

const std::string& PlaylistEntry::file_field(FileField field) const {
  static const std::string kUnknown;
  for (const auto& [known, text] : file_fields) {
    if (known == field)
      return text;
  }
  return kUnknown;
}

void PlaylistEntry::set_file_field(FileField field, std::string text) {
  auto found = std::find_if(file_fields.begin(), file_fields.end(),
                            [field](const auto& item) { return item.first == field; });
  if (text.empty()) {
    if (found != file_fields.end())
      file_fields.erase(found);
  } else if (found != file_fields.end()) {
    found->second = std::move(text);
  } else {
    file_fields.emplace_back(field, std::move(text));
  }
}

} // namespace tessaly
