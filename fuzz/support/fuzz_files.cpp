#include "fuzz_files.h"

#include <cstring>

#include "entry/component_client.h"
#include "entry/host_access.h"

namespace fuzzing {
namespace {

class File final : public vorlane::HostFile {
public:
  explicit File(MemoryHost& host) : host_(host) { ++host_.live_objects; }
  int32_t release() override {
    --host_.live_objects;
    delete this;
    return 0;
  }
  int32_t add_ref() override { return 2; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  uint64_t size() override { return host_.file.size(); }
  bool open(const char*, int32_t mode) override {
    writing_ = mode == 3;
    if (writing_)
      host_.written.clear();
    return true;
  }
  uint32_t read(void* buffer, uint32_t count) override {
    size_t left = host_.file.size() - position_;
    size_t n = count < left ? count : left;
    std::memcpy(buffer, host_.file.data() + position_, n);
    position_ += n;
    return static_cast<uint32_t>(n);
  }
  uint32_t write(const void* buffer, uint32_t count) override {
    host_.written.append(static_cast<const char*>(buffer), count);
    return count;
  }
  bool flush() override { return true; }
  void discard() override { release(); }

private:
  MemoryHost& host_;
  size_t position_ = 0;
  bool writing_ = false;
};

class FileSystem final : public vorlane::FileSystemService {
public:
  explicit FileSystem(MemoryHost& host) : host_(host) {}
  int32_t release() override { return --host_.live_objects, 1; }
  int32_t add_ref() override { return ++host_.live_objects, 2; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  int32_t canonical_path(const char*, vorlane::StringSink*) override { return 0; }
  int32_t accepts_path(const char*) override { return 1; }
  int32_t exists(const char*) override { return 1; }
  vorlane::HostFile* create_file(const char*) override { return new File(host_); }

private:
  MemoryHost& host_;
};

class Messages final : public vorlane::MessageService {
public:
  explicit Messages(MemoryHost& host) : host_(host) {}
  int32_t release() override { return --host_.live_objects, 1; }
  int32_t add_ref() override { return ++host_.live_objects, 2; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  void post_message(int32_t, const char*, const char*) override { ++host_.messages; }

private:
  MemoryHost& host_;
};

FileSystem* file_system = nullptr;
Messages* message_service = nullptr;

} // namespace

MemoryHost::MemoryHost() {
  file_system = new FileSystem(*this);
  message_service = new Messages(*this);
  tessaly_get_interface(this, nullptr);
  vorlane::forget_cached_services();
}

MemoryHost::~MemoryHost() {
  vorlane::host_api = nullptr;
  delete file_system;
  delete message_service;
}

vorlane::HostService* MemoryHost::get_service(const vorlane::Guid* class_id, uint32_t index) {
  vorlane::HostService* service = nullptr;
  if (index == 0 && *class_id == vorlane::kFileSystemServiceClass)
    service = file_system;
  if (index == 0 && *class_id == vorlane::kMessageServiceClass)
    service = message_service;
  if (service)
    service->add_ref();
  return service;
}

uint32_t MemoryHost::service_count(const vorlane::Guid* class_id) {
  return *class_id == vorlane::kFileSystemServiceClass ||
         *class_id == vorlane::kMessageServiceClass;
}

} // namespace fuzzing
