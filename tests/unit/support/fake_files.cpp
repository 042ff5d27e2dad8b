#include "fake_files.h"

#include <algorithm>
#include <cstring>

namespace fake {

namespace {

bool starts_with_ignoring_case(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size())
    return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(text[i]) != lower(prefix[i]))
      return false;
  }
  return true;
}

} // namespace

bool File::usable() {
  if (releases + discards == 0)
    return true;
  ++owner_.misuses;
  return false;
}

int32_t File::add_ref() {
  if (!usable())
    return 0;
  return ++refs_;
}

int32_t File::release() {
  if (!usable())
    return 0;
  if (--refs_ == 0)
    ++releases;
  return refs_;
}

void File::discard() {
  if (!usable())
    return;
  refs_ = 0;
  ++discards;
}

uint64_t File::size() {
  if (!usable() || mode_ == 0)
    return 0;
  return owner_.contents[path_].size();
}

bool File::open(const char* path, int32_t mode) {
  if (!usable() || mode_ != 0 || !path || path_ != path || (mode != 1 && mode != 3))
    return false;
  const auto& refused = owner_.unopenable;
  if (std::find(refused.begin(), refused.end(), path_) != refused.end())
    return false;
  if (mode == 1 && owner_.contents.count(path_) == 0)
    return false;
  if (mode == 3)
    owner_.contents[path_].clear();
  mode_ = mode;
  return true;
}

uint32_t File::read(void* buffer, uint32_t count) {
  if (!usable() || mode_ != 1)
    return 0;
  const std::string& bytes = owner_.contents[path_];
  uint32_t available = static_cast<uint32_t>(bytes.size() - std::min(position_, bytes.size()));
  uint32_t n = owner_.shorten(&owner_.reads_, owner_.fail_read_at_, std::min(count, available));
  if (n)
    std::memcpy(buffer, bytes.data() + position_, n);
  position_ += n;
  return n;
}

uint32_t File::write(const void* buffer, uint32_t count) {
  if (!usable() || mode_ != 3)
    return 0;
  uint32_t n = owner_.shorten(&owner_.writes_, owner_.fail_write_at_, count);
  owner_.contents[path_].append(static_cast<const char*>(buffer), n);
  return n;
}

int32_t Files::canonical_path(const char* path, vorlane::StringSink* out) {
  canonical_asked.push_back(path ? path : "(null)");
  std::string text = path ? path : "";
  if (canonical_prefix.empty() || !starts_with_ignoring_case(text, prefix_))
    return 0;
  out->assign_text((canonical_prefix + text.substr(prefix_.size())).c_str());
  return 1;
}

int32_t Files::accepts_path(const char* path) {
  accepts_asked.push_back(path ? path : "(null)");
  return path && starts_with_ignoring_case(path, prefix_) ? 1 : 0;
}

vorlane::HostFile* Files::create_file(const char* path) {
  created.push_back(path ? path : "(null)");
  if (refuse_create || !path)
    return nullptr;
  made.push_back(std::make_unique<File>(*this, path));
  return made.back().get();
}

void Files::arm(int nth, uint32_t short_by, int* which) {
  *which = nth;
  short_by_ = short_by;
  reads_ = writes_ = 0;
  fault_happened_ = false;
}

uint32_t Files::shorten(int* counter, int fail_at, uint32_t count) {
  ++*counter;
  if (fail_at == 0 || *counter != fail_at)
    return count;
  // An empty write cannot fall short.
  fault_happened_ = count > 0;
  return count > short_by_ ? count - short_by_ : 0;
}

int Files::live_files() const {
  int live = 0;
  for (const auto& file : made)
    live += file->releases + file->discards == 0;
  return live;
}

bool Files::every_file_ended_once() const {
  for (const auto& file : made) {
    if (file->releases + file->discards != 1)
      return false;
  }
  return misuses == 0;
}

} // namespace fake
