#include "services/file_system_service.h"
#include "services/message_service.h"

#include "support/files.h"
#include "support/location.h"
#include "support/text.h"

namespace tessaly {

// How the path of a file:// location maps to a local path on this target; authority is empty
// for this machine.
bool local_path_of_file_url(const std::string& authority, const std::string& path,
                            std::string* local);

namespace {

bool percent_decode(const std::string& text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
    int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
    if (high < 0 || low < 0 || (high == 0 && low == 0))
      return false;
    *out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

bool local_path_of_url(const std::string& rest, std::string* path) {
  // rest follows "file:": "//authority/path" or "/path".
  std::string authority;
  size_t path_start = 0;
  if (rest.compare(0, 2, "//") == 0) {
    size_t slash = rest.find('/', 2);
    if (slash == std::string::npos)
      return false;
    authority = rest.substr(2, slash - 2);
    path_start = slash;
  } else if (rest.empty() || rest[0] != '/') {
    return false;
  }
  if (equal_ignoring_ascii_case(authority, "localhost"))
    authority.clear();
  std::string encoded = rest.substr(path_start);
  encoded = encoded.substr(0, encoded.find_first_of("?#"));
  std::string decoded;
  if (!percent_decode(encoded, &decoded))
    return false;
  return local_path_of_file_url(authority, decoded, path);
}

} // namespace

bool local_path_of(const std::string& location, std::string* path) {
  if (location.empty())
    return false;
  size_t scheme = scheme_length(location);
  if (scheme == 0) {
    *path = location;
    return true;
  }
  if (equal_ignoring_ascii_case(location.substr(0, scheme), "file"))
    return local_path_of_url(location.substr(scheme + 1), path);
  if (location.compare(scheme + 1, 2, "//") == 0)
    return false;
  // "name:rest" without "//" is no location of another scheme but a plain name.
  *path = location;
  return true;
}

LocalFile::LocalFile(ConsoleMessageService* messages) : messages_(messages) {
  Audit::instance().opened("HostFile");
}

LocalFile::~LocalFile() {
  if (out_.is_open())
    finish_writing();
  else if (file_)
    std::fclose(file_);
  Audit::instance().closed("HostFile");
}

void LocalFile::finish_writing() {
  // The module knows only that a write fell short, and nothing of a file not put in place: the
  // system's reason is said here. A write without bytes has none.
  if (write_failed_ || !write_error_.empty()) {
    out_.abandon();
    report(write_error_);
    return;
  }
  ReplaceStep failed;
  std::string reason;
  if (!out_.commit(&failed, &reason))
    report(reason);
}

void LocalFile::report(const std::string& why) {
  if (messages_ && !why.empty()) {
    std::string text = path_ + ": not written: " + why;
    messages_->post_message(3, text.c_str(), "tessaly");
  }
}

int32_t LocalFile::release() {
  int32_t left = --refs_;
  if (left == 0)
    delete this;
  return left;
}

void LocalFile::discard() {
  delete this;
}

bool LocalFile::open(const char* path, int32_t mode) {
  std::string local;
  if (file_ || out_.is_open() || !path || (mode != 1 && mode != 3) ||
      !local_path_of(path, &local) || is_directory(local))
    return false;
  if (mode == 1) {
    file_ = open_file(local, "rb");
    if (!file_)
      return false;
  } else {
    path_ = local;
    std::string reason;
    if (!out_.open(local, &reason)) {
      report("cannot write there: " + reason);
      return false;
    }
  }
  write_failed_ = false;
  write_error_.clear();
  return true;
}

uint64_t LocalFile::size() {
  if (out_.is_open())
    return out_.size();
  if (!file_)
    return 0;
  std::fflush(file_);
  return open_file_size(file_);
}

uint32_t LocalFile::read(void* buffer, uint32_t count) {
  if (!file_ || !buffer || count == 0)
    return 0;
  return static_cast<uint32_t>(std::fread(buffer, 1, count, file_));
}

uint32_t LocalFile::write(const void* buffer, uint32_t count) {
  if (!out_.is_open() || count == 0)
    return 0;
  if (!buffer) {
    write_failed_ = true;
    return 0;
  }
  // After a failed write the file is lost anyway: nothing more reaches it.
  std::string reason;
  if (!write_error_.empty() || !out_.write(buffer, count, &reason)) {
    if (write_error_.empty())
      write_error_ = reason;
    return 0;
  }
  return count;
}

bool LocalFile::flush() {
  if (file_)
    return std::fflush(file_) == 0 && !std::ferror(file_);
  if (!out_.is_open())
    return false;
  std::string reason;
  if (write_error_.empty() && !out_.flush(&reason))
    write_error_ = reason;
  return !write_failed_ && write_error_.empty();
}

int32_t LocalFileSystem::canonical_path(const char* path, vorlane::StringSink* out) {
  std::string local;
  if (!path || !out || !local_path_of(path, &local))
    return 0;
  out->assign(local.data(), static_cast<uint32_t>(local.size()));
  return 1;
}

int32_t LocalFileSystem::accepts_path(const char* path) {
  std::string local;
  return path && local_path_of(path, &local) ? 1 : 0;
}

int32_t LocalFileSystem::exists(const char* path) {
  std::string local;
  return path && local_path_of(path, &local) && file_exists(local) ? 1 : 0;
}

vorlane::HostFile* LocalFileSystem::create_file(const char* path) {
  std::string local;
  if (!path || !local_path_of(path, &local))
    return nullptr;
  return new LocalFile(messages_);
}

} // namespace tessaly
