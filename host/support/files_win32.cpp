#include "platform/win32.h"

#include <sys/stat.h>

#include <filesystem>

#include "support/files.h"
#include "support/utf16.h"

namespace tessaly {

std::FILE* open_file(const std::string& path, const char* mode) {
  return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool remove_file(const std::string& path) {
  return DeleteFileW(widen(path).c_str()) != 0;
}

bool is_directory(const std::string& path) {
  DWORD attributes = GetFileAttributesW(widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const std::string& path) {
  return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_read_only(const std::string& path) {
  DWORD attributes = GetFileAttributesW(widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_READONLY);
}

bool make_directory(const std::string& path) {
  return CreateDirectoryW(widen(path).c_str(), nullptr) != 0 || is_directory(path);
}

std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(widen(join_path(path, "*")).c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = narrow(found.cFileName);
      if (name != "." && name != "..")
        names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return names;
}

namespace {

std::filesystem::path to_path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string to_utf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

} // namespace

bool read_folder(const std::string& folder, std::vector<FolderChild>* children,
                 std::error_code* error) {
  namespace fs = std::filesystem;
  fs::directory_iterator it(to_path(folder), *error);
  for (; !*error && it != fs::directory_iterator(); it.increment(*error)) {
    FolderChild child;
    child.name = to_utf8(it->path().filename());
    std::error_code type_error;
    // is_directory and is_regular_file follow a link to what it names.
    child.link = it->is_symlink(type_error);
    child.kind = it->is_directory(type_error)      ? FolderChild::kFolder
                 : it->is_regular_file(type_error) ? FolderChild::kFile
                                                   : FolderChild::kOther;
    children->push_back(std::move(child));
  }
  return !*error;
}

std::string child_path(const std::string& folder, const std::string& name) {
  return to_utf8(to_path(folder) / to_path(name));
}

bool canonical_path(const std::string& path, std::string* canonical, std::error_code* error) {
  std::filesystem::path resolved = std::filesystem::canonical(to_path(path), *error);
  if (*error)
    return false;
  *canonical = to_utf8(resolved);
  return true;
}

std::string executable_dir() {
  wchar_t buffer[4096];
  DWORD n = GetModuleFileNameW(nullptr, buffer, 4096);
  if (n == 0 || n >= 4096)
    return ".";
  return parent_dir(narrow(buffer));
}

std::string absolute_path(const std::string& path) {
  std::wstring wide = widen(path);
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0)
    return path;
  std::wstring full(size, L'\0');
  DWORD written = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size)
    return path;
  full.resize(written);
  return narrow(full.c_str());
}

std::string local_separators(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '/')
      c = '\\';
  }
  return out;
}

std::string environment(const char* name) {
  const wchar_t* value = _wgetenv(widen(name).c_str());
  return value ? narrow(value) : "";
}

} // namespace tessaly
