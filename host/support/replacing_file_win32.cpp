#include "platform/win32.h"

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

} // namespace

std::string io_error_text() {
  return windows_error_text(ERROR_IO_DEVICE);
}

bool ReplacingFile::create_temporary(const std::string& path, std::string* reason) {
  target_ = path;
  for (int i = 0; i < kNameTries; ++i) {
    std::string name = random_temporary_beside(target_);
    // CREATE_NEW fails on any name that exists, a link included: nothing planted is opened.
    HANDLE file = CreateFileW(widen(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
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
  // The new file takes the folder's inherited access rights, as every new file there does.
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
