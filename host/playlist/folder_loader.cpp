#include "playlist/folder_loader.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <system_error>

#include "support/files.h"
#include "support/text.h"

namespace tessaly {
namespace fs = std::filesystem;

namespace {

fs::path to_path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string to_utf8(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool starts(std::string_view text, size_t at, std::string_view magic) {
  return text.size() >= at + magic.size() && text.substr(at, magic.size()) == magic;
}

bool audio_by_content(const fs::path& path) {
  return looks_like_audio(read_head(to_utf8(path), 16));
}

bool has_extension_of(std::string_view name, std::initializer_list<std::string_view> extensions) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos)
    return false;
  std::string_view extension = name.substr(dot + 1);
  return std::any_of(extensions.begin(), extensions.end(), [&](std::string_view known) {
    return equal_ignoring_ascii_case(extension, known);
  });
}

// Files that lie beside music and are known to be something else are not opened to look.
bool has_other_extension(std::string_view name) {
  return has_extension_of(name,
                          {"m3u",  "m3u8", "pls", "xspf", "cue",  "txt", "log",    "nfo", "jpg",
                           "jpeg", "png",  "gif", "bmp",  "webp", "pdf", "html",   "htm", "xml",
                           "json", "md",   "db",  "ini",  "sfv",  "md5", "accurip"});
}

struct Walk {
  std::vector<PlaylistEntry>* entries;
  TagReading* problems;
  std::set<fs::path> folders_read; // canonical paths
};

void note_problem(Walk& walk, const fs::path& path, const std::error_code& error) {
  ++walk.problems->files;
  if (walk.problems->failed++ == 0)
    walk.problems->first_failure = to_utf8(path) + ": " + error.message();
}

// canonical is the folder's path with every link resolved, known from its parent's for a folder
// that is no link: only a link can lead back to a folder read already.
void walk_folder(Walk& walk, const fs::path& folder, const fs::path& canonical) {
  if (!walk.folders_read.insert(canonical).second)
    return;
  std::error_code error;
  std::vector<std::pair<std::string, fs::directory_entry>> children;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error))
    children.emplace_back(to_utf8(it->path().filename()), *it);
  if (error) {
    note_problem(walk, folder, error);
    return;
  }
  std::sort(children.begin(), children.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [name, child] : children) {
    std::error_code type_error;
    // is_directory and is_regular_file follow a symbolic link to what it names.
    if (child.is_directory(type_error)) {
      if (!child.is_symlink(type_error)) {
        walk_folder(walk, child.path(), canonical / child.path().filename());
        continue;
      }
      fs::path target = fs::canonical(child.path(), type_error);
      if (type_error)
        note_problem(walk, child.path(), type_error);
      else
        walk_folder(walk, child.path(), target);
    } else if (child.is_regular_file(type_error) &&
               (has_audio_extension(name) ||
                (!has_other_extension(name) && audio_by_content(child.path())))) {
      PlaylistEntry entry;
      entry.location = to_utf8(child.path());
      entry.resolved = entry.location;
      walk.entries->push_back(std::move(entry));
    }
  }
}

} // namespace

bool has_audio_extension(std::string_view name) {
  return has_extension_of(name, {"aac", "aif",  "aiff", "aifc", "alac", "ape", "flac",
                                 "m4a", "m4b",  "mp2",  "mp3",  "mp4",  "mpc", "oga",
                                 "ogg", "opus", "spx",  "tta",  "wav",  "wma", "wv"});
}

bool looks_like_audio(std::string_view head) {
  if (starts(head, 0, "fLaC") || starts(head, 0, "OggS") || starts(head, 0, "ID3") ||
      starts(head, 0, "MAC ") || starts(head, 0, "wvpk") || starts(head, 0, "MPCK") ||
      starts(head, 0, "TTA1") || starts(head, 4, "ftyp"))
    return true;
  if (starts(head, 0, "RIFF") && starts(head, 8, "WAVE"))
    return true;
  if (starts(head, 0, "FORM") && (starts(head, 8, "AIFF") || starts(head, 8, "AIFC")))
    return true;
  // The ASF header object's GUID.
  if (starts(head, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11"))
    return true;
  // An MPEG audio frame header: eleven sync bits, then a version, a layer, a bitrate and a
  // sample rate that exist.
  if (head.size() < 3)
    return false;
  auto b0 = static_cast<unsigned char>(head[0]);
  auto b1 = static_cast<unsigned char>(head[1]);
  auto b2 = static_cast<unsigned char>(head[2]);
  unsigned bitrate = b2 >> 4, sample_rate = (b2 >> 2) & 3;
  return b0 == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x18) != 0x08 && (b1 & 0x06) != 0 &&
         bitrate != 0 && bitrate != 15 && sample_rate != 3;
}

void load_folder(const std::string& folder, std::vector<PlaylistEntry>* entries,
                 TagReading* problems) {
  Walk walk{entries, problems, {}};
  std::error_code error;
  fs::path canonical = fs::canonical(to_path(folder), error);
  if (error)
    note_problem(walk, to_path(folder), error);
  else
    walk_folder(walk, to_path(folder), canonical);
}

} // namespace tessaly
