#include "services/playlist_service.h"

#include <algorithm>

#include "titleformat/extra_items.h"
#include "titleformat/track_fields.h"

namespace tessaly {

HostHandleService::~HostHandleService() {
  // Handles never given back are reclaimed here; the Audit has already counted them.
  for (const vorlane::TrackHandle* handle : live_)
    delete static_cast<const HostTrackHandle*>(handle);
}

HostTrackHandle* HostHandleService::make_handle(std::shared_ptr<const Playlist> playlist,
                                                uint32_t index) {
  auto* handle = new HostTrackHandle(*this, std::move(playlist), index);
  live_.insert(handle);
  Audit::instance().opened("TrackHandle");
  return handle;
}

void HostHandleService::release_handles(vorlane::TrackHandle* const* handles, uint32_t count) {
  if (!handles)
    return;
  for (uint32_t i = 0; i < count; ++i) {
    // Only handles this host gave out and still knows are released; anything else is counted
    // instead of being touched.
    if (live_.count(handles[i]))
      handles[i]->release();
    else
      Audit::instance().opened("TrackHandle misuse");
  }
}

HostTrackHandle::HostTrackHandle(HostHandleService& owner, std::shared_ptr<const Playlist> playlist,
                                 uint32_t index)
    : owner_(owner), playlist_(std::move(playlist)), index_(index) {
  info_.entry = &playlist_->entries[index];
}

HostTrackHandle::~HostTrackHandle() = default;

int32_t HostTrackHandle::add_ref() {
  Audit::instance().opened("TrackHandle");
  return ++refs_;
}

int32_t HostTrackHandle::release() {
  Audit::instance().closed("TrackHandle");
  int32_t left = --refs_;
  if (left == 0) {
    owner_.live_.erase(this);
    delete this;
  }
  return left;
}

const vorlane::TrackInfo* HostTrackHandle::get_info(uint32_t) {
  if (open_infos_ == 0)
    Audit::instance().opened("TrackInfo misuse");
  return info_.entry->length_seconds ? &info_ : nullptr;
}

const char* HostTrackHandle::location() {
  return info_.entry->location.c_str();
}

void HostTrackHandle::begin_info() {
  ++open_infos_;
  Audit::instance().opened("TrackInfo");
}

void HostTrackHandle::end_info() {
  if (open_infos_ == 0) {
    Audit::instance().opened("TrackInfo misuse");
    return;
  }
  --open_infos_;
  Audit::instance().closed("TrackInfo");
}

double HostTrackHandle::Info::length_seconds() const {
  return entry->length_seconds.value_or(0.0);
}

const char* HostTrackHandle::Info::field(const char* name) const {
  if (!name)
    return nullptr;
  std::string_view wanted(name);
  const std::string* text = wanted == "title"    ? &entry->title
                            : wanted == "artist" ? &entry->artist
                            : wanted == "album"  ? &entry->album
                                                 : nullptr;
  return text && !text->empty() ? text->c_str() : nullptr;
}

HostPlaylistService::HostPlaylistService()
    : CountedService("PlaylistService"), playlist_(std::make_shared<Playlist>()),
      formats_(track_field_id) {}

void HostPlaylistService::set_playlist(Playlist playlist) {
  // Handles still out keep the playlist they came from.
  playlist_ = std::make_shared<const Playlist>(std::move(playlist));
  // What the formats remember of the groups of the old playlist is no longer true.
  formats_.forget_groups();
}

int32_t HostPlaylistService::entry_count() {
  size_t n = playlist_->entries.size();
  return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

bool HostPlaylistService::format_title(int32_t index, vorlane::StringSink* out, const char* format,
                                       const char* extra_items) {
  std::vector<std::pair<std::string, std::string>> items = parse_extra_items(extra_items);
  const TitleFormat& compiled = formats_.get(format ? format : "");
  std::string text = compiled.apply(EntryVariables(items, playlist_.get(), index));
  if (recorded_)
    recorded_->push_back({index, format ? format : "", items});
  if (!out)
    return false;
  out->assign(text.c_str(), static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX - 1)));
  return true;
}

void HostPlaylistService::playlist_name(vorlane::StringSink* out) {
  if (out)
    out->assign_text(playlist_->name.c_str());
}

void HostPlaylistService::get_entries(vorlane::PointerList* list,
                                      const vorlane::SelectionMask* mask) {
  if (!list || !mask)
    return;
  uint32_t n = static_cast<uint32_t>(entry_count());
  // find jumps over unselected runs, so a sparse mask costs no call per entry. A mask that does
  // not move forward ends the walk.
  uint32_t i = mask->find(true, 0, static_cast<int32_t>(n));
  while (i < n) {
    HostTrackHandle* handle = handles_.make_handle(playlist_, i);
    // The module reads entries back as TrackHandle pointers. The reference belongs to the list
    // from here on, also when it cannot store it (the module then gives it back at once).
    list->insert_at(static_cast<vorlane::TrackHandle*>(handle), list->count());
    uint32_t next = mask->find(true, i + 1, static_cast<int32_t>(n - i - 1));
    if (next <= i)
      break;
    i = next;
  }
}

} // namespace tessaly
