// The host's HostApi: a registry of service objects by class identifier and index.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "entry/host_interface.h"

namespace tessaly {

class ServiceRegistry final : public vorlane::HostApi {
public:
  // The registry does not own the services; they outlive every module call.
  void add(const vorlane::Guid& class_id, vorlane::HostService* service);
  void remove(const vorlane::Guid& class_id, vorlane::HostService* service);

  // A new reference (add_ref) to the service at index, or null after the last one.
  vorlane::HostService* get_service(const vorlane::Guid* class_id, uint32_t index) override;
  uint32_t service_count(const vorlane::Guid* class_id) override;

  // How often get_service was asked for a class, answered or not.
  uint32_t requests(const vorlane::Guid& class_id) const;

private:
  struct Key {
    vorlane::Guid id;
    bool operator<(const Key& other) const;
  };
  std::map<Key, std::vector<vorlane::HostService*>> services_;
  std::map<Key, uint32_t> requests_;
};

} // namespace tessaly
