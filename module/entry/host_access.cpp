#include "host_access.h"

#include "entry/component_client.h"

namespace vorlane {

HostApi* host_api = nullptr;
HINSTANCE module_handle = nullptr;

namespace {
PlaylistService* cached_playlist_service = nullptr;
HandleService* cached_handle_service = nullptr;

HostService* get_service(const Guid& class_id, uint32_t index) {
  return host_api ? host_api->get_service(&class_id, index) : nullptr;
}
} // namespace

HostService* ServiceEnumerator::next() {
  HostService* service = get_service(class_id_, next_index_);
  ++next_index_;
  return service;
}

PlaylistService* playlist_service() {
  if (!cached_playlist_service)
    cached_playlist_service = static_cast<PlaylistService*>(get_service(kPlaylistServiceClass, 0));
  return cached_playlist_service;
}

HandleService* handle_service() {
  if (!cached_handle_service)
    cached_handle_service = static_cast<HandleService*>(get_service(kHandleServiceClass, 0));
  return cached_handle_service;
}

void forget_cached_services() {
  cached_playlist_service = nullptr;
  cached_handle_service = nullptr;
}

void ShowError(const char* text) {
  auto* messages = static_cast<MessageService*>(get_service(kMessageServiceClass, 0));
  if (!messages)
    return;
  messages->post_message(3, text, source_text.text());
  messages->release();
}

} // namespace vorlane
