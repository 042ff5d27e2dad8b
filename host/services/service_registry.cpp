#include "services/service_registry.h"

#include <algorithm>
#include <cstring>

namespace tessaly {

bool ServiceRegistry::Key::operator<(const Key& other) const {
  return std::memcmp(&id, &other.id, sizeof id) < 0;
}

void ServiceRegistry::add(const vorlane::Guid& class_id, vorlane::HostService* service) {
  services_[Key{class_id}].push_back(service);
}

void ServiceRegistry::remove(const vorlane::Guid& class_id, vorlane::HostService* service) {
  auto& list = services_[Key{class_id}];
  list.erase(std::remove(list.begin(), list.end(), service), list.end());
}

vorlane::HostService* ServiceRegistry::get_service(const vorlane::Guid* class_id, uint32_t index) {
  if (!class_id)
    return nullptr;
  ++requests_[Key{*class_id}];
  auto it = services_.find(Key{*class_id});
  if (it == services_.end() || index >= it->second.size())
    return nullptr;
  vorlane::HostService* service = it->second[index];
  service->add_ref();
  return service;
}

uint32_t ServiceRegistry::service_count(const vorlane::Guid* class_id) {
  auto it = class_id ? services_.find(Key{*class_id}) : services_.end();
  return it == services_.end() ? 0 : static_cast<uint32_t>(it->second.size());
}

uint32_t ServiceRegistry::requests(const vorlane::Guid& class_id) const {
  auto it = requests_.find(Key{class_id});
  return it == requests_.end() ? 0 : it->second;
}

} // namespace tessaly
