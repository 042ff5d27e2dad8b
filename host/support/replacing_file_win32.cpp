#include "platform/win32.h"

#include <aclapi.h>

#include "support/files.h"
#include "support/replacing_file.h"
#include "support/utf16.h"

namespace tessaly {
namespace {

// Enough tries that names taken by others cannot stop a write, few enough to end.
constexpr int kNameTries = 100;

// The system's own text: the C runtime's errno knows nothing of these calls.
std::string windows_error_text(DWORD code) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length != 0 && text ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L'.' ||
                           wide.back() == L' '))
    wide.pop_back();
  return wide.empty() ? "system error " + std::to_string(code) : narrow(wide);
}

HANDLE handle_of(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// An existing file opened for reading its attributes and access rights only.
HANDLE open_existing(const std::string& path) {
  return CreateFileW(widen(path).c_str(), READ_CONTROL,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The file that path names after its symbolic links, as the system resolves them when it opens
// the file; path itself when it names no existing file.
std::string final_path(const std::string& path) {
  HANDLE file = open_existing(path);
  if (file == INVALID_HANDLE_VALUE)
    return path;
  std::wstring buffer(32768, L'\0');
  DWORD n = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (n == 0 || n >= buffer.size())
    return path;
  buffer.resize(n);
  // The answer has the long-path prefix: "\\?\C:\..." or "\\?\UNC\server\share\...".
  if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0)
    buffer = L"\\\\" + buffer.substr(8);
  else if (buffer.compare(0, 4, L"\\\\?\\") == 0)
    buffer = buffer.substr(4);
  return narrow(buffer);
}

} // namespace

std::string io_error_text() {
  return windows_error_text(ERROR_IO_DEVICE);
}

bool ReplacingFile::create_temporary(const std::string& path, std::string* reason) {
  target_ = final_path(path);
  for (int i = 0; i < kNameTries; ++i) {
    std::string name = random_temporary_beside(target_);
    // CREATE_NEW fails on any name that exists, a link included: nothing planted is opened.
    HANDLE file = CreateFileW(widen(name).c_str(), GENERIC_WRITE | WRITE_DAC, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      handle_ = reinterpret_cast<intptr_t>(file);
      temporary_ = name;
      copy_permissions();
      return true;
    }
    DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      *reason = windows_error_text(code);
      return false;
    }
  }
  *reason = "no free name for a temporary file";
  return false;
}

void ReplacingFile::copy_permissions() {
  // The old file's access list goes to the new one; a new file keeps the folder's inherited
  // one, as every new file there does.
  HANDLE old = open_existing(target_);
  if (old == INVALID_HANDLE_VALUE)
    return;
  PACL access = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(old, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access,
                      nullptr, &descriptor) == ERROR_SUCCESS) {
    SetSecurityInfo(handle_of(handle_), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                    access, nullptr);
    LocalFree(descriptor);
  }
  CloseHandle(old);
}

void ReplacingFile::remove_temporary() {
  if (!temporary_.empty())
    remove_file(temporary_);
}

bool ReplacingFile::system_write(const char* data, size_t size, std::string* reason) {
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handle_of(handle_), data, chunk, &written, nullptr) || written == 0) {
      *reason = windows_error_text(GetLastError());
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool ReplacingFile::system_sync(std::string* reason) {
  if (FlushFileBuffers(handle_of(handle_)))
    return true;
  *reason = windows_error_text(GetLastError());
  return false;
}

bool ReplacingFile::system_close(std::string* reason) {
  HANDLE file = handle_of(handle_);
  handle_ = kNoHandle;
  if (CloseHandle(file))
    return true;
  *reason = windows_error_text(GetLastError());
  return false;
}

bool ReplacingFile::system_replace(ReplaceStep* failed, std::string* reason) {
  *failed = ReplaceStep::Replacing;
  std::string why;
  // Write-through: the call returns only when the rename is on the disk.
  bool renamed = attempt(
      FileOperation::Rename,
      [&] {
        if (MoveFileExW(widen(temporary_).c_str(), widen(target_).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
          return true;
        why = windows_error_text(GetLastError());
        return false;
      },
      &why);
  if (!renamed) {
    *reason = "cannot replace the file: " + why;
    return false;
  }
  temporary_.clear();
  return true;
}

} // namespace tessaly
