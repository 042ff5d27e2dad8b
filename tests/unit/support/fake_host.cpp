#include "fake_host.h"

#include <cstring>

namespace fake {

namespace {

const char* class_name(const Guid& id) {
  const struct {
    const Guid* id;
    const char* name;
  } known[] = {{&vorlane::kPlaylistServiceClass, "PlaylistService"},
               {&vorlane::kHandleServiceClass, "HandleService"},
               {&vorlane::kMessageServiceClass, "MessageService"},
               {&vorlane::kFileSystemServiceClass, "FileSystemService"}};
  for (const auto& entry : known) {
    if (*entry.id == id)
      return entry.name;
  }
  return "other";
}

} // namespace

Host::Host() {
  tessaly_get_interface(this, vorlane::module_handle);
  vorlane::forget_cached_services();
}

Host::~Host() {
  vorlane::forget_cached_services();
  vorlane::host_api = nullptr;
}

HostService* Host::get_service(const Guid* class_id, uint32_t index) {
  uint32_t seen = 0;
  HostService* answer = nullptr;
  for (const Entry& entry : services) {
    if (entry.id == *class_id && seen++ == index) {
      answer = entry.service;
      break;
    }
  }
  if (answer)
    answer->add_ref();
  if (log)
    log->push_back(std::string("get_service ") + class_name(*class_id));
  asked.push_back({*class_id, answer});
  indexes.push_back(index);
  return answer;
}

uint32_t Host::service_count(const Guid* class_id) {
  uint32_t n = 0;
  for (const Entry& entry : services)
    n += entry.id == *class_id;
  return n;
}

uint32_t Host::requests(const Guid& class_id) const {
  uint32_t n = 0;
  for (const Entry& entry : asked)
    n += entry.id == class_id;
  return n;
}

std::vector<uint32_t> Host::indexes_asked(const Guid& class_id) const {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < asked.size(); ++i) {
    if (asked[i].id == class_id)
      out.push_back(indexes[i]);
  }
  return out;
}

int32_t Handle::add_ref() {
  ++owner_.live_handles;
  return 2;
}

int32_t Handle::release() {
  --owner_.live_handles;
  return 1;
}

const vorlane::TrackInfo* Handle::get_info(uint32_t) {
  if (owner_.open_infos <= 0)
    ++owner_.info_order_errors;
  const Track& track = owner_.tracks[index_];
  if (!track.has_info)
    return nullptr;
  info_.length = track.length;
  return &info_;
}

void Handle::begin_info() {
  ++owner_.open_infos;
}

void Handle::end_info() {
  if (owner_.open_infos <= 0)
    ++owner_.info_order_errors;
  --owner_.open_infos;
}

std::vector<std::pair<std::string, std::string>> parse_items(const char* text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (text && *text) {
    std::string item = text;
    size_t eq = item.find('=');
    pairs.push_back({item.substr(0, eq), eq == std::string::npos ? "" : item.substr(eq + 1)});
    text += item.size() + 1;
  }
  return pairs;
}

bool Playlist::format_title(int32_t index, vorlane::StringSink* out, const char* format,
                            const char* extra_items) {
  format_calls.push_back({index, format ? format : "", parse_items(extra_items)});
  if (format_result) {
    out->assign_text(format_result);
    return true;
  }
  std::string text = format ? format : "";
  for (const auto& [name, value] : format_calls.back().items)
    text += name + "=" + value + ";";
  out->assign_text(text.c_str());
  return true;
}

int32_t Playlist::entry_count() {
  ++entry_count_calls;
  if (log)
    log->push_back("entry_count");
  if (!count_answers.empty()) {
    int32_t answer = count_answers.front();
    count_answers.erase(count_answers.begin());
    return answer;
  }
  return reported_count >= 0 ? reported_count : static_cast<int32_t>(tracks.size());
}

void Playlist::get_entries(vorlane::PointerList* list, const vorlane::SelectionMask* mask) {
  if (log)
    log->push_back("get_entries");
  for (uint32_t i = 0; i < tracks.size(); ++i) {
    if (!mask->test(i))
      continue;
    made.push_back(std::make_unique<Handle>(*this, i));
    ++live_handles;
    list->insert_at(made.back().get(), list->count());
  }
}

void Playlist::Handles::release_handles(vorlane::TrackHandle* const* list, uint32_t count) {
  ++calls;
  last_count = count;
  if (owner_.log)
    owner_.log->push_back("release_handles " + std::to_string(count));
  for (uint32_t i = 0; i < count; ++i)
    list[i]->release();
}

void Playlist::install(Host& host) {
  host.add(vorlane::kPlaylistServiceClass, this);
  host.add(vorlane::kHandleServiceClass, &handles);
}

} // namespace fake
