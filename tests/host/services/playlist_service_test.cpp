#include <gtest/gtest.h>

#include <set>

#include "base/utf8_string.h"
#include "diag/audit.h"
#include "services/playlist_service.h"

namespace tessaly {
namespace {

// A PointerList on a vector.
class VectorList final : public vorlane::PointerList {
public:
  uint32_t count() const override { return static_cast<uint32_t>(items.size()); }
  void* item_at(uint32_t index) const override { return items[index]; }
  void* remove_at(uint32_t index) override {
    void* item = items[index];
    items.erase(items.begin() + index);
    return item;
  }
  void keep_masked(const vorlane::SelectionMask&) override {}
  void insert_at(void* entry, uint32_t index) override {
    items.insert(items.begin() + index, entry);
  }
  vorlane::TrackHandle* handle(size_t i) const {
    return static_cast<vorlane::TrackHandle*>(items[i]);
  }

  std::vector<void*> items;
};

// Selects a set of indexes; counts its calls.
class SetMask final : public vorlane::SelectionMask {
public:
  explicit SetMask(std::set<uint32_t> selected) : selected_(std::move(selected)) {}
  bool test(uint32_t index) const override { return selected_.count(index) != 0; }
  uint32_t find(bool value, uint32_t start, int32_t count) const override {
    ++finds;
    int32_t step = count < 0 ? -1 : 1;
    for (int32_t k = 0; k != count; k += step) {
      uint32_t p = start + static_cast<uint32_t>(k);
      if (test(p) == value)
        return p;
    }
    return start + static_cast<uint32_t>(count);
  }
  mutable int finds = 0;

private:
  std::set<uint32_t> selected_;
};

Playlist sample_playlist(size_t n) {
  Playlist playlist;
  playlist.name = "sample";
  for (size_t i = 0; i < n; ++i) {
    PlaylistEntry entry;
    entry.location = "track" + std::to_string(i) + ".mp3";
    entry.title = "Title " + std::to_string(i);
    if (i % 2 == 0)
      entry.length_seconds = 60.0 * (i + 1);
    playlist.entries.push_back(entry);
  }
  return playlist;
}

long live(const char* kind) {
  return Audit::instance().live(kind);
}

TEST(PlaylistService, GetEntriesFollowsTheMaskAndAppends) {
  HostPlaylistService service;
  service.set_playlist(sample_playlist(6));
  long before = live("TrackHandle");

  VectorList list;
  int marker = 0;
  list.items.push_back(&marker); // what the list held before stays first
  SetMask mask({1, 3, 4, 9});
  service.get_entries(&list, &mask);
  ASSERT_EQ(4u, list.count());
  EXPECT_EQ(&marker, list.items[0]);
  EXPECT_EQ(1u, list.handle(1)->index());
  EXPECT_EQ(3u, list.handle(2)->index());
  EXPECT_EQ(4u, list.handle(3)->index());
  EXPECT_STREQ("track3.mp3", list.handle(2)->location());
  // One find per selected entry plus the one that finds none.
  EXPECT_EQ(4, mask.finds);
  EXPECT_EQ(before + 3, live("TrackHandle"));
  EXPECT_EQ(3u, service.handles().live_handles());

  list.items.erase(list.items.begin());
  service.handles().release_handles(
      reinterpret_cast<vorlane::TrackHandle* const*>(list.items.data()), list.count());
  EXPECT_EQ(before, live("TrackHandle"));
  EXPECT_EQ(0u, service.handles().live_handles());

  SetMask none({});
  VectorList empty;
  service.get_entries(&empty, &none);
  EXPECT_EQ(0u, empty.count());
  service.get_entries(nullptr, &none);
  service.get_entries(&empty, nullptr);
  EXPECT_EQ(before, live("TrackHandle"));
}

TEST(PlaylistService, HandlesCountReferencesAndInformation) {
  HostPlaylistService service;
  service.set_playlist(sample_playlist(2));
  long handles = live("TrackHandle"), infos = live("TrackInfo"), misuse = live("TrackInfo misuse");
  VectorList list;
  SetMask all({0, 1});
  service.get_entries(&list, &all);
  vorlane::TrackHandle* known = list.handle(0);
  vorlane::TrackHandle* unknown = list.handle(1);

  known->begin_info();
  EXPECT_EQ(infos + 1, live("TrackInfo"));
  const vorlane::TrackInfo* info = known->get_info(0);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(60.0, info->length_seconds());
  EXPECT_STREQ("Title 0", info->field("title"));
  EXPECT_EQ(nullptr, info->field("artist"));
  known->end_info();
  EXPECT_EQ(infos, live("TrackInfo"));

  unknown->begin_info();
  EXPECT_EQ(nullptr, unknown->get_info(0)); // no length known
  unknown->end_info();
  EXPECT_EQ(misuse, live("TrackInfo misuse"));

  // get_info and end_info outside a begin_info/end_info pair are misuse.
  known->begin_info();
  EXPECT_EQ(infos + 1, live("TrackInfo"));
  known->end_info();
  known->get_info(0);
  known->end_info();
  EXPECT_EQ(misuse + 2, live("TrackInfo misuse"));
  Audit::instance().closed("TrackInfo misuse");
  Audit::instance().closed("TrackInfo misuse");

  // add_ref and release balance; the last release ends the handle.
  known->add_ref();
  EXPECT_EQ(handles + 3, live("TrackHandle"));
  EXPECT_EQ(1, known->release());
  EXPECT_EQ(handles + 2, live("TrackHandle"));

  // A playlist swapped in while handles are out leaves them reading the old one.
  service.set_playlist(sample_playlist(0));
  EXPECT_STREQ("track1.mp3", unknown->location());
  EXPECT_EQ(0, service.entry_count());

  service.handles().release_handles(
      reinterpret_cast<vorlane::TrackHandle* const*>(list.items.data()), 2);
  EXPECT_EQ(handles, live("TrackHandle"));

  // Giving back what the host does not know is counted, never followed.
  long foreign = live("TrackHandle misuse");
  vorlane::TrackHandle* stale[] = {known};
  service.handles().release_handles(stale, 1);
  EXPECT_EQ(foreign + 1, live("TrackHandle misuse"));
  Audit::instance().closed("TrackHandle misuse");
  service.handles().release_handles(nullptr, 5);
}

TEST(PlaylistService, FormatTitleUsesItemsThenTheEntry) {
  HostPlaylistService service;
  service.set_playlist(sample_playlist(3));
  std::vector<HostPlaylistService::FormatCall> calls;
  service.record_format_calls(&calls);

  vorlane::Utf8String out;
  out.assign_text("old content");
  const char items[] = "playlist_total=3\0title=Override\0\0";
  EXPECT_TRUE(service.format_title(0, &out, "%title% of %playlist_total%", items));
  EXPECT_STREQ("Override of 3", out.text());
  EXPECT_TRUE(service.format_title(2, &out, "%list_index%. %title% [%length%]", nullptr));
  EXPECT_STREQ("3. Title 2 3:00", out.text());
  EXPECT_TRUE(service.format_title(1, &out, "%title%[ %length%]", "\0"));
  EXPECT_STREQ("Title 1", out.text());
  EXPECT_TRUE(service.format_title(7, &out, "[%title%]x", nullptr));
  EXPECT_STREQ("x", out.text());
  EXPECT_TRUE(service.format_title(0, &out, nullptr, nullptr));
  EXPECT_STREQ("", out.text());
  EXPECT_FALSE(service.format_title(0, nullptr, "x", nullptr));

  ASSERT_EQ(6u, calls.size());
  EXPECT_EQ(0, calls[0].index);
  EXPECT_EQ("%title% of %playlist_total%", calls[0].format);
  ASSERT_EQ(2u, calls[0].items.size());
  EXPECT_EQ("playlist_total", calls[0].items[0].first);
  EXPECT_EQ("3", calls[0].items[0].second);
  service.record_format_calls(nullptr);
  service.format_title(0, &out, "x", nullptr);
  EXPECT_EQ(6u, calls.size());

  service.playlist_name(&out);
  EXPECT_STREQ("sample", out.text());
  EXPECT_EQ(-1, service.playing_index());
}

} // namespace
} // namespace tessaly
