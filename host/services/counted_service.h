// Reference counting for the host's own service objects. The host holds one reference of its
// own; every further one is outstanding and shows in the audit under the service's kind.
#pragma once

#include <cstdint>
#include <string>

#include "diag/audit.h"
#include "entry/host_interface.h"

namespace tessaly {

template <class Interface> class CountedService : public Interface {
public:
  explicit CountedService(std::string kind) : kind_(std::move(kind)) {}
  CountedService(const CountedService&) = delete;
  CountedService& operator=(const CountedService&) = delete;
  virtual ~CountedService() = default;

  int32_t add_ref() override {
    Audit::instance().opened(kind_);
    return ++refs_;
  }
  int32_t release() override {
    Audit::instance().closed(kind_);
    return --refs_;
  }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }

  int32_t references() const { return refs_; }
  // Takes up to count outstanding references off the books: those a module kept until it was
  // unloaded can never come back.
  void write_off(int32_t count) {
    for (; count > 0 && refs_ > 1; --count) {
      Audit::instance().closed(kind_);
      --refs_;
    }
  }
  const std::string& kind() const { return kind_; }

private:
  std::string kind_;
  int32_t refs_ = 1;
};

} // namespace tessaly
