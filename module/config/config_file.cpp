#include "config_file.h"

#include <cstring>

#include "base/allocator.h"
#include "base/formatted_string.h"
#include "base/utf8_string.h"
#include "config/config_var.h"
#include "entry/host_access.h"
#include "platform/kestrel/kestrel.h"
#include "prefs/preferences_page.h"

namespace vorlane {
namespace {

constexpr const char* kFilter = "Config Files (*.tvc)|*.tvc";
constexpr const char* kExtension = "tvc";
constexpr uint32_t kLongestText = 0xFFFF;

void show_path_error(const char* message, const char* path) {
  HostFormattedString text(message, path);
  ShowError(text.text());
}

// One string of a file being loaded, held until the whole file has been read and checked.
class StoredText {
public:
  ~StoredText() { mem_free(bytes_); }
  // Reads the length field and the text; false when either falls short or memory ran out.
  bool read(HostFile& file) {
    uint8_t length_bytes[2];
    if (file.read(length_bytes, 2) < 2)
      return false;
    uint32_t n = static_cast<uint32_t>(length_bytes[0]) | static_cast<uint32_t>(length_bytes[1])
                                                              << 8;
    bytes_ = static_cast<char*>(mem_alloc(n + 1));
    if (!bytes_)
      return false;
    std::memset(bytes_, 0, n + 1);
    return n == 0 || file.read(bytes_, n) >= n;
  }
  // Up to the first zero byte, which the buffer always holds.
  const char* text() const { return bytes_; }

private:
  char* bytes_ = nullptr;
};

// Writes all of count bytes, or reports that the file fell short.
bool write_all(HostFile& file, const void* bytes, uint32_t count) {
  return file.write(bytes, count) == count;
}

bool write_text(HostFile& file, const char* text) {
  uint32_t n = static_cast<uint32_t>(std::strlen(text));
  uint8_t length_bytes[2] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)};
  // The length is written as two bytes and the text as one write of its bytes, even when it is
  // empty, so that the file is the same byte stream however the host splits it.
  bool written = write_all(file, length_bytes, 2);
  return write_all(file, text, n) && written;
}

} // namespace

HostFile* OpenHostFile(const char* path, int32_t mode) {
  Utf8String path_form;
  bool canonical = false;
  ServiceEnumerator walk(kFileSystemServiceClass);
  for (HostService* service = walk.first(); service; service = walk.next()) {
    int32_t answered = static_cast<FileSystemService*>(service)->canonical_path(path, &path_form);
    service->release();
    if (answered != 0) {
      canonical = true;
      break;
    }
  }
  if (!canonical)
    path_form.assign_text(path);

  FileSystemService* handler = nullptr;
  ServiceEnumerator search(kFileSystemServiceClass);
  for (HostService* service = search.first(); service; service = search.next()) {
    auto* file_system = static_cast<FileSystemService*>(service);
    if (file_system->accepts_path(path_form.text()) != 0) {
      handler = file_system;
      break;
    }
    service->release();
  }
  if (!handler)
    return nullptr;

  HostFile* file = handler->create_file(path_form.text());
  handler->release();
  if (!file)
    return nullptr;
  if (!file->open(path_form.text(), mode)) {
    file->discard();
    return nullptr;
  }
  return file;
}

void SaveConfig(HWND page) {
  Utf8String path;
  if (!uGetOpenFileName(page, kFilter, 0, kExtension, "Save Configuration", nullptr, &path, 1))
    return;
  // A length field holds at most 65535; a longer text would make the file unreadable, so it is
  // refused before the file is touched.
  const struct {
    const char* name;
    const ConfigString& setting;
  } texts[] = {
      {"header", settings::header}, {"format", settings::format}, {"footer", settings::footer}};
  for (const auto& entry : texts) {
    if (std::strlen(entry.setting.get_text()) > kLongestText) {
      HostFormattedString text(
          "Can not save to file: \"%s\": the %s text is longer than 65535 bytes", path.text(),
          entry.name);
      ShowError(text.text());
      return;
    }
  }
  HostFile* file = OpenHostFile(path.text(), 3);
  if (!file) {
    show_path_error("Can not save to file: \"%s\"", path.text());
    return;
  }
  bool complete = true;
  for (const auto& entry : texts)
    complete = write_text(*file, entry.setting.get_text()) && complete;
  uint8_t line_end = settings::autocrlf.get_value() != 0 ? 1 : 0;
  complete = write_all(*file, &line_end, 1) && complete;
  file->release();
  if (!complete)
    show_path_error("Can not save to file: \"%s\"", path.text());
}

void LoadConfig(HWND page) {
  Utf8String path;
  if (!uGetOpenFileName(page, kFilter, 0, kExtension, "Load Configuration", nullptr, &path, 0))
    return;
  HostFile* file = OpenHostFile(path.text(), 1);
  if (!file) {
    show_path_error("Error opening config file: \"%s\"", path.text());
    return;
  }
  // The whole file is read and checked before any setting changes, so an invalid file leaves
  // the settings (and the page showing them) as they were.
  StoredText header, format, footer;
  if (!header.read(*file) || !format.read(*file) || !footer.read(*file)) {
    show_path_error("Invalid config file: \"%s\"", path.text());
    file->release();
    return;
  }
  uint8_t line_end = 1;
  if (file->read(&line_end, 1) < 1)
    line_end = 1;
  file->release();

  settings::header.set_text(header.text());
  settings::format.set_text(format.text());
  settings::footer.set_text(footer.text());
  settings::autocrlf.set_value(line_end);
  RefreshControls(page);
}

} // namespace vorlane
