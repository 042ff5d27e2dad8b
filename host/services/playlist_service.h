// The host's PlaylistService and HandleService. Both live as long as the Host (modules cache them
// for good); the playlist they serve is swapped with set_playlist. Every track handle given out,
// every open track information and every misuse of them is counted in the Audit:
//   TrackHandle                references given out and not given back
//   TrackInfo                  begin_info without its end_info
//   TrackInfo misuse           get_info outside begin_info/end_info, end_info without begin_info
//   TrackHandle misuse         a handle given back that the host does not know (any more)
#pragma once

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "playlist/playlist.h"
#include "services/counted_service.h"
#include "titleformat/title_format_cache.h"

namespace tessaly {

class HostTrackHandle;

class HostHandleService final : public CountedService<vorlane::HandleService> {
public:
  HostHandleService() : CountedService("HandleService") {}
  ~HostHandleService();

  void release_handles(vorlane::TrackHandle* const* handles, uint32_t count) override;

  // A new handle of entry `index`, counting one reference.
  HostTrackHandle* make_handle(std::shared_ptr<const Playlist> playlist, uint32_t index);
  size_t live_handles() const { return live_.size(); }

private:
  friend class HostTrackHandle;
  // By the interface pointer, so that looking up a pointer the host no longer knows never touches
  // what it points to.
  std::set<const vorlane::TrackHandle*> live_;
};

class HostTrackHandle final : public vorlane::TrackHandle {
public:
  int32_t release() override;
  int32_t add_ref() override;
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  // Null for an entry of unknown length.
  const vorlane::TrackInfo* get_info(uint32_t flags) override;
  const char* location() override;
  void begin_info() override;
  uint32_t index() override { return index_; }
  void end_info() override;

private:
  friend class HostHandleService;
  HostTrackHandle(HostHandleService& owner, std::shared_ptr<const Playlist> playlist,
                  uint32_t index);
  ~HostTrackHandle();

  class Info final : public vorlane::TrackInfo {
  public:
    double length_seconds() const override;
    const char* field(const char* name) const override;
    const PlaylistEntry* entry = nullptr;
  };

  HostHandleService& owner_;
  std::shared_ptr<const Playlist> playlist_;
  uint32_t index_;
  int32_t refs_ = 1;
  int32_t open_infos_ = 0;
  Info info_;
};

class HostPlaylistService final : public CountedService<vorlane::PlaylistService> {
public:
  HostPlaylistService();

  void set_playlist(Playlist playlist);
  const Playlist& playlist() const { return *playlist_; }
  HostHandleService& handles() { return handles_; }

  int32_t entry_count() override;
  int32_t playing_index() override { return -1; }
  // Replaces out's text with entry `index` formatted (title_format.h), the format compiled once for
  // as long as it is among the last few asked for; the extra items come first when looking up a
  // variable. Entry 0 also stands for the header and footer; an index out of
  // range has no track fields.
  bool format_title(int32_t index, vorlane::StringSink* out, const char* format,
                    const char* extra_items) override;
  void playlist_name(vorlane::StringSink* out) override;
  void get_entries(vorlane::PointerList* list, const vorlane::SelectionMask* mask) override;

  // What format_title was asked, for commands that show what a module passed.
  struct FormatCall {
    int32_t index;
    std::string format;
    std::vector<std::pair<std::string, std::string>> items;
  };
  // Every later format_title call is appended to calls; null stops recording.
  void record_format_calls(std::vector<FormatCall>* calls) { recorded_ = calls; }

private:
  std::shared_ptr<const Playlist> playlist_;
  HostHandleService handles_;
  TitleFormatCache formats_;
  std::vector<FormatCall>* recorded_ = nullptr;
};

} // namespace tessaly
