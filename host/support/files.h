// The host's file-system helpers. Paths are UTF-8 on both targets; on Windows a Unix path such as
// /tmp/x names the same file under Wine.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tessaly {

std::FILE* open_file(const std::string& path, const char* mode);
bool read_file(const std::string& path, std::string* bytes, std::string* error);
// Writes bytes to a temporary file beside path and renames it over path, so the old file stays
// whole until the new one is complete.
bool write_file_atomically(const std::string& path, const std::string& bytes, std::string* error);
// Replaces to with from (both in one folder).
bool rename_replace(const std::string& from, const std::string& to);
bool remove_file(const std::string& path);
bool is_directory(const std::string& path);
bool file_exists(const std::string& path);
// True when path names an existing file whose permissions say it must not be written, whoever
// runs the program (root included).
bool is_read_only(const std::string& path);
bool make_directories(const std::string& path);
// File names (not paths) in a folder, sorted.
std::vector<std::string> list_directory(const std::string& path);
std::string executable_dir();
std::string environment(const char* name);
// A name for a temporary file in the folder of path, unique to this process.
std::string temporary_beside(const std::string& path);

std::string join_path(const std::string& folder, const std::string& name);
std::string parent_dir(const std::string& path);
std::string file_name(const std::string& path);
bool is_absolute(const std::string& path);
std::string system_error();

} // namespace tessaly
