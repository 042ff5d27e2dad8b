// A host for the module's unit tests: a HostApi whose services tests can add and remove, a
// message service that records, and a playlist whose entries tests describe. Every reference it
// hands out is counted, so tests can check that the module gave each one back.
#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/utf8_string.h"
#include "entry/component_client.h"
#include "entry/host_access.h"
#include "entry/host_interface.h"

namespace fake {

using vorlane::Guid;
using vorlane::HostService;

// The calls a test follows, in the order they came, when it hands a log to the fakes.
using CallLog = std::vector<std::string>;

// Counts references beyond the host's own one.
template <class Interface> class Counted : public Interface {
public:
  int32_t add_ref() override { return ++refs; }
  int32_t release() override { return --refs; }
  HostService* query(const Guid*) override { return nullptr; }
  // References handed out and not yet given back.
  int32_t outstanding() const { return refs - 1; }

  int32_t refs = 1;
};

class Host final : public vorlane::HostApi {
public:
  // Installs itself as the module's host (and forgets the module's cached services, which
  // belonged to the previous host); uninstalls on destruction.
  Host();
  ~Host();

  void add(const Guid& class_id, HostService* service) { services.push_back({class_id, service}); }
  HostService* get_service(const Guid* class_id, uint32_t index) override;
  uint32_t service_count(const Guid* class_id) override;

  // Requests per class, and the indexes asked, in order.
  uint32_t requests(const Guid& class_id) const;
  std::vector<uint32_t> indexes_asked(const Guid& class_id) const;

  struct Entry {
    Guid id;
    HostService* service;
  };
  std::vector<Entry> services;
  std::vector<Entry> asked; // service is the answer (may be null); index kept in `indexes`
  std::vector<uint32_t> indexes;
  // When set, each request is added as "get_service NAME" (the class's name, or "other").
  CallLog* log = nullptr;
};

class Messages final : public Counted<vorlane::MessageService> {
public:
  void post_message(int32_t level, const char* text, const char* source) override {
    posted.push_back({level, text ? text : "", source ? source : ""});
  }
  struct Message {
    int32_t level;
    std::string text;
    std::string source;
  };
  std::vector<Message> posted;
};

// A playlist entry: its length, or no information at all.
struct Track {
  double length;
  bool has_info = true;
};

class Playlist;

class Handle final : public vorlane::TrackHandle {
public:
  Handle(Playlist& owner, uint32_t index) : owner_(owner), index_(index) {}
  int32_t release() override;
  int32_t add_ref() override;
  HostService* query(const Guid*) override { return nullptr; }
  const vorlane::TrackInfo* get_info(uint32_t flags) override;
  const char* location() override { return ""; }
  void begin_info() override;
  uint32_t index() override { return index_; }
  void end_info() override;

private:
  class Info final : public vorlane::TrackInfo {
  public:
    double length_seconds() const override { return length; }
    const char* field(const char*) const override { return nullptr; }
    double length = 0;
  };
  Playlist& owner_;
  uint32_t index_;
  Info info_;
};

// PlaylistService and HandleService in one: entries, formatted titles recorded, handles counted.
class Playlist final : public Counted<vorlane::PlaylistService> {
public:
  std::vector<Track> tracks;
  // entry_count answers these in turn while any are left, then this when set (>= 0), else the
  // number of tracks.
  std::vector<int32_t> count_answers;
  int32_t reported_count = -1;
  // When set, entry_count, get_entries and release_handles are added to it by name.
  CallLog* log = nullptr;

  int32_t entry_count() override;
  int32_t playing_index() override { return -1; }
  // Records the call; the result is `format_result` if set, else the format followed by the
  // extra items as "name=value;" pairs.
  bool format_title(int32_t index, vorlane::StringSink* out, const char* format,
                    const char* extra_items) override;
  void playlist_name(vorlane::StringSink* out) override { out->assign_text("fake"); }
  void get_entries(vorlane::PointerList* list, const vorlane::SelectionMask* mask) override;

  struct FormatCall {
    int32_t index;
    std::string format;
    std::vector<std::pair<std::string, std::string>> items;
  };
  std::vector<FormatCall> format_calls;
  const char* format_result = nullptr;
  int entry_count_calls = 0;

  // Handles alive (given out, not given back), begin_info calls without end_info.
  long live_handles = 0;
  long open_infos = 0;
  long info_order_errors = 0; // get_info outside begin_info/end_info

  class Handles final : public Counted<vorlane::HandleService> {
  public:
    explicit Handles(Playlist& owner) : owner_(owner) {}
    void release_handles(vorlane::TrackHandle* const* handles, uint32_t count) override;
    int calls = 0;
    uint32_t last_count = 0;

  private:
    Playlist& owner_;
  };
  Handles handles{*this};

  // Registers both services with host.
  void install(Host& host);

  std::vector<std::unique_ptr<Handle>> made;
};

// Parses an extra-items text (name=value NUL ... NUL NUL) into pairs.
std::vector<std::pair<std::string, std::string>> parse_items(const char* text);

} // namespace fake
