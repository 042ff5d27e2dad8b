// The host's file-system helpers. Paths are UTF-8 on both targets; on Windows a Unix path such as
// /tmp/x names the same file under Wine.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "support/replacing_file.h"

namespace tessaly {

std::FILE* open_file(const std::string& path, const char* mode);
bool read_file(const std::string& path, std::string* bytes, std::string* error);
// The first size bytes of a file, or fewer; empty when it cannot be read.
std::string read_head(const std::string& path, size_t size);

// Every file the host writes goes through a ReplacingFile that replaces path only once write
// has filled it and it is on the disk: a failed write leaves no partial file and the old one
// whole. False when a step failed, with that step in failed and the reason (write's own, or the
// system's).
using FileWriter = std::function<bool(ReplacingFile& file, std::string* reason)>;
bool replace_file(const std::string& path, const FileWriter& write, ReplaceStep* failed,
                  std::string* reason);
// replace_file with bytes as the whole content; error is "PATH: REASON".
bool write_file_atomically(const std::string& path, const std::string& bytes, std::string* error);
bool remove_file(const std::string& path);
bool is_directory(const std::string& path);
bool file_exists(const std::string& path);
// True when path names an existing file whose permissions say it must not be written, whoever
// runs the program (root included).
bool is_read_only(const std::string& path);
bool make_directories(const std::string& path);
// One folder in an existing parent; true when it exists afterwards.
bool make_directory(const std::string& path);
// File names (not paths) in a folder, sorted.
std::vector<std::string> list_directory(const std::string& path);
// The same, in the order the system gives them.
std::vector<std::string> directory_entries(const std::string& path);
// A folder's child as a walk sees it: a symbolic link is taken for what it leads to.
struct FolderChild {
  enum Kind : char { kFolder, kFile, kOther }; // kOther: a device, a pipe, a broken link
  std::string name;
  Kind kind = kOther;
  bool link = false;
};
// The children of folder in the order the system gives them; false with *error when the folder
// cannot be read.
bool read_folder(const std::string& folder, std::vector<FolderChild>* children,
                 std::error_code* error);
// The path of a folder's child, with this target's separator between them.
std::string child_path(const std::string& folder, const std::string& name);
// path with every link and every "." and ".." resolved; false with *error.
bool canonical_path(const std::string& path, std::string* canonical, std::error_code* error);
std::string executable_dir();
std::string environment(const char* name);

std::string join_path(const std::string& folder, const std::string& name);
std::string parent_dir(const std::string& path);
std::string file_name(const std::string& path);
bool is_absolute(const std::string& path);
// path as this target names it from anywhere: on Linux joined to the working folder when
// relative; on Windows the full Windows path ("Z:\\music\\list.m3u8" for "/music/list.m3u8").
std::string absolute_path(const std::string& path);
// path with this target's separators: "\\" on Windows, as given elsewhere.
std::string local_separators(const std::string& path);
std::string system_error();

} // namespace tessaly
