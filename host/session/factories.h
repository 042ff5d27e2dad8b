// The walk over the factory lists of the loaded modules, for the services of one class.
#pragma once

#include "session/host.h"

namespace tessaly {

// Calls visit(module, factory) for every factory of class_id, module by module in load order and
// each module's list in its own order.
template <class Visit>
void for_each_factory(Host& host, const vorlane::Guid& class_id, Visit visit) {
  for (LoadedModule& module : host.modules()) {
    for (vorlane::ServiceFactory* factory = module.client->factory_list(); factory;
         factory = factory->next) {
      if (factory->class_id == class_id)
        visit(module, *factory);
    }
  }
}

} // namespace tessaly
