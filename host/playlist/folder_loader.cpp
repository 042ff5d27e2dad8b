#include "playlist/folder_loader.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <system_error>

#include "support/files.h"
#include "support/text.h"

namespace tessaly {
namespace {

bool starts(std::string_view text, size_t at, std::string_view magic) {
  return text.size() >= at + magic.size() && text.substr(at, magic.size()) == magic;
}

bool audio_by_content(const std::string& path) {
  return looks_like_audio(read_head(path, 16));
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
  std::set<std::string> folders_read; // canonical paths
};

void note_problem(Walk& walk, const std::string& path, const std::error_code& error) {
  ++walk.problems->files;
  if (walk.problems->failed++ == 0)
    walk.problems->first_failure = path + ": " + error.message();
}

// canonical is the folder's path with every link resolved, known from its parent's for a folder
// that is no link: only a link can lead back to a folder read already.
void walk_folder(Walk& walk, const std::string& folder, const std::string& canonical) {
  if (!walk.folders_read.insert(canonical).second)
    return;
  std::error_code error;
  std::vector<FolderChild> children;
  if (!read_folder(folder, &children, &error)) {
    note_problem(walk, folder, error);
    return;
  }
  std::sort(children.begin(), children.end(),
            [](const FolderChild& a, const FolderChild& b) { return a.name < b.name; });
  for (const FolderChild& child : children) {
    if (child.kind == FolderChild::kFolder) {
      std::string path = child_path(folder, child.name);
      if (!child.link) {
        walk_folder(walk, path, child_path(canonical, child.name));
        continue;
      }
      std::string target;
      if (!canonical_path(path, &target, &error))
        note_problem(walk, path, error);
      else
        walk_folder(walk, path, target);
    } else if (child.kind == FolderChild::kFile &&
               (has_audio_extension(child.name) ||
                (!has_other_extension(child.name) &&
                 audio_by_content(child_path(folder, child.name))))) {
      PlaylistEntry entry;
      entry.location = child_path(folder, child.name);
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
  std::string canonical;
  if (!canonical_path(folder, &canonical, &error))
    note_problem(walk, folder, error);
  else
    walk_folder(walk, folder, canonical);
}

} // namespace tessaly
