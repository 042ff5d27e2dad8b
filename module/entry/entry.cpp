#include "entry/component_client.h"
#include "entry/host_access.h"

VORLANE_EXPORT vorlane::ComponentClient* tessaly_get_interface(vorlane::HostApi* host,
                                                               HINSTANCE module) {
  vorlane::module_handle = module;
  vorlane::host_api = host;
  return &vorlane::component_client;
}
