// A lean host for benchmarks: a playlist of prepared handles that costs next to nothing to hand
// out, so that the figures measure the module.
#pragma once

#include <vector>

#include "entry/host_interface.h"

namespace bench {

class Host final : public vorlane::HostApi, vorlane::PlaylistService, vorlane::HandleService {
public:
  explicit Host(size_t entries);
  ~Host();

  vorlane::HostService* get_service(const vorlane::Guid* class_id, uint32_t index) override;
  uint32_t service_count(const vorlane::Guid*) override { return 1; }

  // Both services: counting does nothing, they live as long as the benchmark.
  int32_t release() override { return 1; }
  int32_t add_ref() override { return 1; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }

  int32_t entry_count() override { return static_cast<int32_t>(handles_.size()); }
  int32_t playing_index() override { return -1; }
  bool format_title(int32_t, vorlane::StringSink* out, const char* format, const char*) override {
    out->assign_text(format);
    return true;
  }
  void playlist_name(vorlane::StringSink* out) override { out->assign_text("bench"); }
  void get_entries(vorlane::PointerList* list, const vorlane::SelectionMask* mask) override;
  void release_handles(vorlane::TrackHandle* const*, uint32_t) override {}

private:
  class Handle;
  std::vector<Handle*> handles_;
};

} // namespace bench
