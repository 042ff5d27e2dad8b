#include "support/replacing_file.h"

#include <functional>
#include <random>

#include "support/files.h"

namespace tessaly {
namespace {

// Large enough that an export reaches the system in few calls, small enough to cost nothing.
constexpr size_t kBufferSize = 64 * 1024;

struct FaultPlan {
  bool armed_from_environment = false;
  uint64_t fail_at = 0;
  uint64_t attempts = 0;
};

FaultPlan& fault_plan() {
  static FaultPlan plan;
  if (!plan.armed_from_environment) {
    plan.armed_from_environment = true;
    std::string nth = environment("TESSALY_FAIL_FILE_OPERATION");
    if (!nth.empty() && nth.find_first_not_of("0123456789") == std::string::npos)
      plan.fail_at = std::stoull(nth);
  }
  return plan;
}

} // namespace

void fail_file_operation(uint64_t nth) {
  FaultPlan& plan = fault_plan();
  plan.fail_at = nth;
  plan.attempts = 0;
}

bool planted_file_failure(FileOperation) {
  FaultPlan& plan = fault_plan();
  ++plan.attempts;
  return plan.fail_at != 0 && plan.attempts == plan.fail_at;
}

bool attempt(FileOperation operation, const std::function<bool()>& call, std::string* reason) {
  if (planted_file_failure(operation)) {
    *reason = io_error_text();
    return false;
  }
  return call();
}

std::string random_temporary_beside(const std::string& path) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device source;
  std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
  std::string name = ".";
  name.append(file_name(path)).append(".tmp-");
  for (int i = 0; i < 12; ++i)
    name += kLetters[pick(source)];
  return join_path(parent_dir(path), name);
}

ReplacingFile::ReplacingFile(bool buffered) : buffered_(buffered) {}

ReplacingFile::~ReplacingFile() {
  abandon();
}

bool ReplacingFile::open(const std::string& path, std::string* reason) {
  abandon();
  size_ = 0;
  buffer_.clear();
  return attempt(
      FileOperation::Open, [&] { return create_temporary(path, reason); }, reason);
}

bool ReplacingFile::write(const void* data, size_t size, std::string* reason) {
  const char* bytes = static_cast<const char*>(data);
  if (!buffered_) {
    if (!attempt(
            FileOperation::Write, [&] { return system_write(bytes, size, reason); }, reason))
      return false;
    size_ += size;
    return true;
  }
  buffer_.append(bytes, size);
  size_ += size;
  if (buffer_.size() < kBufferSize)
    return true;
  bool ok = attempt(
      FileOperation::Write, [&] { return system_write(buffer_.data(), buffer_.size(), reason); },
      reason);
  buffer_.clear();
  return ok;
}

bool ReplacingFile::flush(std::string* reason) {
  bool ok = attempt(
      FileOperation::Flush,
      [&] { return buffer_.empty() || system_write(buffer_.data(), buffer_.size(), reason); },
      reason);
  buffer_.clear();
  return ok;
}

bool ReplacingFile::commit(ReplaceStep* failed, std::string* reason) {
  *failed = ReplaceStep::Writing;
  std::string why;
  if (!is_open() || !flush(reason)) {
    abandon();
    return false;
  }
  if (!attempt(
          FileOperation::Sync, [&] { return system_sync(&why); }, &why)) {
    *reason = "cannot sync it to the disk: " + why;
    abandon();
    return false;
  }
  if (!attempt(
          FileOperation::Close, [&] { return system_close(&why); }, &why)) {
    *reason = "cannot close it: " + why;
    abandon();
    return false;
  }
  if (!system_replace(failed, reason)) {
    abandon();
    return false;
  }
  temporary_.clear();
  return true;
}

void ReplacingFile::abandon() {
  if (is_open()) {
    std::string ignored;
    system_close(&ignored);
  }
  remove_temporary();
  temporary_.clear();
  buffer_.clear();
}

} // namespace tessaly
