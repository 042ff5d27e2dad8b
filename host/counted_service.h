// Reference counting for the host's own service objects. The host holds one reference of its
// own; every further one is outstanding and shows in the audit under the service's kind.
#pragma once

#include <cstdint>
#include <string>

#include "audit.h"
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
  const std::string& kind() const { return kind_; }

private:
  std::string kind_;
  int32_t refs_ = 1;
};

} // namespace tessaly
