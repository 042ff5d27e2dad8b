#include "bench_host.h"

#include "entry/component_client.h"
#include "entry/host_access.h"

namespace bench {

class Host::Handle final : public vorlane::TrackHandle, vorlane::TrackInfo {
public:
  explicit Handle(double length) : length_(length) {}
  int32_t release() override { return 1; }
  int32_t add_ref() override { return 1; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  const vorlane::TrackInfo* get_info(uint32_t) override { return length_ > 0 ? this : nullptr; }
  const char* location() override { return ""; }
  void begin_info() override {}
  uint32_t index() override { return 0; }
  void end_info() override {}
  double length_seconds() const override { return length_; }
  const char* field(const char*) const override { return nullptr; }

private:
  double length_;
};

Host::Host(size_t entries) {
  for (size_t i = 0; i < entries; ++i)
    handles_.push_back(new Handle(i % 50 == 0 ? 0.0 : 120.0 + static_cast<double>(i % 300)));
  tessaly_get_interface(this, nullptr);
  vorlane::forget_cached_services();
}

Host::~Host() {
  vorlane::forget_cached_services();
  vorlane::host_api = nullptr;
  for (Handle* handle : handles_)
    delete handle;
}

vorlane::HostService* Host::get_service(const vorlane::Guid* class_id, uint32_t index) {
  if (index != 0)
    return nullptr;
  if (*class_id == vorlane::kPlaylistServiceClass)
    return static_cast<vorlane::PlaylistService*>(this);
  if (*class_id == vorlane::kHandleServiceClass)
    return static_cast<vorlane::HandleService*>(this);
  return nullptr;
}

void Host::get_entries(vorlane::PointerList* list, const vorlane::SelectionMask* mask) {
  for (uint32_t i = 0; i < handles_.size(); ++i) {
    if (mask->test(i))
      list->insert_at(static_cast<vorlane::TrackHandle*>(handles_[i]), list->count());
  }
}

} // namespace bench
