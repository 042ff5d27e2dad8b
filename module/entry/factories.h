// The two kinds of node in the module's factory list.
#pragma once

#include "entry/host_interface.h"

namespace vorlane {

extern ServiceFactory* factory_list_head;

// Hands out a new CustomOutputFormat per create, counting 1.
class OutputFormatFactory final : public ServiceFactory {
public:
  OutputFormatFactory() : ServiceFactory(kOutputFormatClass, factory_list_head) {}
  // Null when the object could not be allocated.
  HostService* create() override;
};

// Holds its one service object as the node's fourth field and hands out that object.
template <class Service> class StaticServiceFactory final : public ServiceFactory {
public:
  explicit StaticServiceFactory(const Guid& class_id)
      : ServiceFactory(class_id, factory_list_head) {}
  HostService* create() override {
    service.add_ref();
    return &service;
  }

  Service service;
};

} // namespace vorlane
