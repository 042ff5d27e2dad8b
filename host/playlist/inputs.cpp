#include "playlist/inputs.h"

#include <algorithm>

#include "playlist/folder_loader.h"
#include "playlist/m3u_loader.h"
#include "playlist/pls_loader.h"
#include "playlist/xspf_loader.h"
#include "support/files.h"
#include "support/text.h"

namespace tessaly {
namespace {

bool has_extension(std::string_view name, std::string_view extension) {
  return name.size() > extension.size() &&
         equal_ignoring_ascii_case(name.substr(name.size() - extension.size()), extension);
}

std::string_view skip_blank_and_bom(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF")
    text.remove_prefix(3);
  size_t begin = text.find_first_not_of(" \t\r\n");
  return begin == std::string_view::npos ? std::string_view() : text.substr(begin);
}

bool load_one(const std::string& input, std::vector<PlaylistEntry>* entries, TagReading* reading,
              std::vector<std::string>* folders, std::string* error) {
  std::string path = absolute_path(input);
  if (is_directory(path)) {
    load_folder(path, entries, reading);
    folders->push_back(path);
    return true;
  }
  std::string name = file_name(input);
  // The first bytes tell the kind; where they cannot be read, the read of the whole file says why.
  InputKind kind = input_kind(name, has_audio_extension(name) ? "" : read_head(path, 256));
  if (kind == InputKind::Audio) {
    PlaylistEntry entry;
    entry.location = input;
    entry.resolved = local_separators(path);
    entries->push_back(std::move(entry));
    return true;
  }
  if (kind == InputKind::M3u) {
    Playlist playlist;
    if (!load_playlist(input, &playlist, error))
      return false;
    if (entries->empty())
      *entries = std::move(playlist.entries);
    else
      entries->insert(entries->end(), std::make_move_iterator(playlist.entries.begin()),
                      std::make_move_iterator(playlist.entries.end()));
    return true;
  }
  std::string bytes;
  if (!read_file(input, &bytes, error))
    return false;
  std::string folder = parent_dir(path);
  std::vector<PlaylistEntry> read;
  if (kind == InputKind::Pls) {
    if (first_non_text_byte(bytes) != std::string::npos) {
      *error = input + ": not a playlist: a PLS playlist is UTF-8 text";
      return false;
    }
    read = parse_pls(bytes, folder);
  } else {
    std::string why;
    if (!parse_xspf(bytes, folder, &read, &why)) {
      *error = input + ": " + why;
      return false;
    }
  }
  for (PlaylistEntry& entry : read) {
    if (entry.resolved != entry.location)
      entry.resolved = local_separators(entry.resolved);
    entries->push_back(std::move(entry));
  }
  return true;
}

} // namespace

InputKind input_kind(std::string_view name, std::string_view head) {
  if (has_extension(name, ".m3u") || has_extension(name, ".m3u8"))
    return InputKind::M3u;
  if (has_extension(name, ".pls"))
    return InputKind::Pls;
  if (has_extension(name, ".xspf"))
    return InputKind::Xspf;
  if (has_audio_extension(name) || looks_like_audio(head))
    return InputKind::Audio;
  std::string_view text = skip_blank_and_bom(head);
  if (text.size() >= 10 && equal_ignoring_ascii_case(text.substr(0, 10), "[playlist]"))
    return InputKind::Pls;
  if (text.substr(0, 5) == "<?xml" || text.substr(0, 9) == "<playlist")
    return InputKind::Xspf;
  return InputKind::M3u;
}

bool load_inputs(const std::vector<std::string>& inputs, Playlist* playlist, TagReading* reading,
                 std::vector<std::string>* folders, std::string* error) {
  Playlist loaded;
  TagReading problems;
  for (const std::string& input : inputs) {
    if (!load_one(input, &loaded.entries, &problems, folders, error))
      return false;
  }
  if (!inputs.empty()) {
    std::string first = inputs.front();
    while (first.size() > 1 && (first.back() == '/' || first.back() == '\\'))
      first.pop_back();
    loaded.name = is_directory(absolute_path(first)) ? file_name(first)
                                                     : name_without_extension(file_name(first));
  }
  *reading = std::move(problems);
  *playlist = std::move(loaded);
  return true;
}

} // namespace tessaly
