// The module's access to host services by class identifier, through the HostApi that
// tessaly_get_interface stored.
#pragma once

#include <cstdint>

#include "entry/host_interface.h"

namespace vorlane {

// Module-wide values written by the entry function and the client.
extern HostApi* host_api;
extern HINSTANCE module_handle;

// Walks the services of one class by index: first, then next until null. Every service it
// yields is a reference the caller releases.
class ServiceEnumerator {
public:
  explicit ServiceEnumerator(const Guid& class_id) : class_id_(class_id) {}
  HostService* first() {
    next_index_ = 0;
    return next();
  }
  HostService* next();
  uint32_t next_index() const { return next_index_; }

private:
  uint32_t next_index_ = 0;
  Guid class_id_;
};

// Asked of the host once, at index 0, and kept for the module's lifetime; a null answer is not
// remembered.
PlaylistService* playlist_service();
HandleService* handle_service();
// Forgets both caches. Only for tests that swap hosts; the module itself never calls it.
void forget_cached_services();

// Posts text as a level-3 message with source_text, through a fresh MessageService; does nothing
// when the host has none.
void ShowError(const char* text);

} // namespace vorlane
