#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/allocator.h"
#include "base/pointer_array.h"
#include "support/allocation_failures.h"
#include "support/fake_host.h"

using vorlane::AllEntriesMask;
using vorlane::HandleList;
using vorlane::InvertedMask;
using vorlane::kHandleServiceClass;
using vorlane::PointerArray;
using vorlane::SelectionMask;

namespace {

// Entries a, b, c ... are the addresses of the letters of this text.
const char kLetters[] = "abcdefghijklmnopqrstuvwxyz";
void* entry(char letter) {
  return const_cast<char*>(&kLetters[letter - 'a']);
}

std::string letters(const PointerArray& list) {
  std::string out;
  for (uint32_t i = 0; i < list.count(); ++i)
    out += *static_cast<const char*>(list.item_at(i));
  return out;
}

void fill(PointerArray& list, const std::string& text) {
  for (char c : text)
    list.insert_at(entry(c), list.count());
}

// Selects the indexes of a set. find scans the run as the interface describes; tests counts how
// often test was asked, so a caller that tests every index instead of using find shows.
class IndexMask final : public SelectionMask {
public:
  explicit IndexMask(std::set<uint32_t> selected) : selected_(std::move(selected)) {}
  bool test(uint32_t index) const override {
    ++tests;
    return selected_.count(index) != 0;
  }
  uint32_t find(bool value, uint32_t start, int32_t count) const override {
    ++finds;
    int32_t step = count < 0 ? -1 : 1;
    uint32_t p = start;
    for (int32_t left = count < 0 ? -count : count; left > 0; --left) {
      if ((selected_.count(p) != 0) == value)
        return p;
      p += static_cast<uint32_t>(step);
    }
    return start + static_cast<uint32_t>(count);
  }
  mutable int tests = 0;
  mutable int finds = 0;

private:
  std::set<uint32_t> selected_;
};

class RecordingHandles final : public fake::Counted<vorlane::HandleService> {
public:
  void release_handles(vorlane::TrackHandle* const* handles, uint32_t count) override {
    calls.push_back({handles, count, count ? static_cast<void*>(handles[0]) : nullptr});
  }
  struct Call {
    vorlane::TrackHandle* const* handles;
    uint32_t count;
    void* first;
  };
  std::vector<Call> calls;
};

// The storage figures for 4-byte entries, scaled to this target's pointer size: every figure is
// a power of two times the entry size, so the doubling policy scales with it.
constexpr uint32_t kScale = static_cast<uint32_t>(sizeof(void*)) / 4;

} // namespace

TEST(PointerArray, NewArrayIsEmpty) {
  PointerArray list;
  EXPECT_EQ(0u, list.count());
  EXPECT_EQ(nullptr, list.storage().data());
  EXPECT_EQ(vorlane::GrowthPolicy::Doubling, list.storage().policy());
  EXPECT_EQ(static_cast<vorlane::PointerList*>(&list), list.as_list());
}

TEST(PointerArray, StorageFollowsTheCount) {
  struct Step {
    const char* what;
    uint32_t size;     // for 4-byte entries
    uint32_t capacity; // for 4-byte entries
  };
  const Step steps[] = {
      {"append a", 4, 4},   {"append b", 8, 8},      {"append c", 12, 16},    {"append d", 16, 16},
      {"append e", 20, 32}, {"remove last", 16, 32}, {"remove last", 12, 16}, {"remove_all", 0, 0},
  };
  PointerArray list;
  char next = 'a';
  for (const Step& step : steps) {
    std::string what = step.what;
    if (what.rfind("append", 0) == 0)
      list.insert_at(entry(next++), list.count());
    else if (what == "remove last")
      list.remove_at(list.count() - 1);
    else
      list.remove_all();
    SCOPED_TRACE(testing::Message() << step.what << ", " << sizeof(void*) << "-byte pointers");
    EXPECT_EQ(step.size * kScale, list.storage().size());
    EXPECT_EQ(step.capacity * kScale, list.storage().capacity());
    EXPECT_EQ(step.size / 4, list.count());
  }
  EXPECT_EQ(nullptr, list.storage().data());
}

TEST(PointerArray, InsertAt) {
  struct Row {
    const char* before;
    uint32_t index;
    const char* after;
  };
  const Row rows[] = {
      {"ab", 0, "xab"}, {"ab", 2, "abx"}, {"ab", 1, "axb"}, {"", 0, "x"}, {"abcde", 3, "abcxde"}};
  for (const Row& row : rows) {
    PointerArray list;
    fill(list, row.before);
    list.insert_at(entry('x'), row.index);
    EXPECT_EQ(row.after, letters(list)) << "insert_at(x, " << row.index << ") on " << row.before;
  }
}

TEST(PointerArray, RemoveAt) {
  struct Row {
    const char* before;
    uint32_t index;
    char removed;
    const char* after;
  };
  const Row rows[] = {
      {"abc", 1, 'b', "ac"}, {"abc", 0, 'a', "bc"}, {"abc", 2, 'c', "ab"}, {"a", 0, 'a', ""}};
  for (const Row& row : rows) {
    PointerArray list;
    fill(list, row.before);
    void* removed = list.remove_at(row.index);
    EXPECT_EQ(entry(row.removed), removed) << "remove_at(" << row.index << ") on " << row.before;
    EXPECT_EQ(row.after, letters(list)) << "remove_at(" << row.index << ") on " << row.before;
  }
}

TEST(PointerArray, KeepMasked) {
  struct Row {
    const char* before;
    std::set<uint32_t> selected;
    const char* after;
  };
  const Row rows[] = {
      {"abcde", {1, 3}, "bd"},
      {"abcde", {0, 1, 2, 3, 4}, "abcde"},
      {"abcde", {}, ""},
      {"abcde", {0}, "a"},
      {"abcde", {4}, "e"},
      {"abcde", {0, 4}, "ae"},
      {"abcde", {0, 1, 3, 4}, "abde"},
      {"", {}, ""},
      {"abcde", {1, 3, 7, 9}, "bd"},
  };
  for (const Row& row : rows) {
    PointerArray list;
    fill(list, row.before);
    IndexMask mask(row.selected);
    list.keep_masked(mask);
    EXPECT_EQ(row.after, letters(list)) << "keep_masked on " << row.before;
    EXPECT_EQ(0, mask.tests) << "keep_masked tested every index instead of using find";
  }
}

TEST(PointerArray, KeepMaskedWithAllEntriesTouchesNothing) {
  PointerArray list;
  fill(list, "abcde");
  const void* storage = list.storage().data();
  uint32_t capacity = list.storage().capacity();
  list.keep_masked(AllEntriesMask());
  EXPECT_EQ("abcde", letters(list));
  EXPECT_EQ(storage, list.storage().data());
  EXPECT_EQ(capacity, list.storage().capacity());

  AllEntriesMask all;
  list.keep_masked(InvertedMask(all));
  EXPECT_EQ("", letters(list));
  EXPECT_EQ(nullptr, list.storage().data());
}

TEST(PointerArray, RemoveMasked) {
  struct Row {
    const char* before;
    std::set<uint32_t> selected;
    const char* after;
  };
  const Row rows[] = {{"abc", {0}, "bc"},
                      {"abc", {2}, "ab"},
                      {"abc", {0, 1, 2}, ""},
                      {"abc", {}, "abc"},
                      {"abcde", {1, 3}, "ace"}};
  for (const Row& row : rows) {
    PointerArray list;
    fill(list, row.before);
    list.remove_masked(IndexMask(row.selected));
    EXPECT_EQ(row.after, letters(list)) << "remove_masked on " << row.before;
  }
}

TEST(PointerArray, RemoveAll) {
  PointerArray empty;
  empty.remove_all();
  EXPECT_EQ(0u, empty.count());
  EXPECT_EQ(nullptr, empty.storage().data());

  PointerArray list;
  fill(list, "abc");
  list.remove_all();
  EXPECT_EQ(0u, list.count());
  EXPECT_EQ(nullptr, list.storage().data());
  EXPECT_EQ(0u, list.storage().capacity());
}

using PointerArrayFailures = fake::AllocationFailures;

TEST_F(PointerArrayFailures, InsertWithoutMemoryInsertsNothing) {
  PointerArray list;
  fill(list, "ab");
  vorlane::fail_allocation(1, true);
  list.insert_at(entry('x'), 0);
  EXPECT_EQ("ab", letters(list)) << "storage of 2 entries has no room for a third";
  vorlane::fail_allocation(0, false);
  list.insert_at(entry('x'), 0);
  EXPECT_EQ("xab", letters(list));
}

TEST(SelectionMask, AllEntriesFind) {
  struct Row {
    bool value;
    uint32_t start;
    int32_t count;
    uint32_t expected;
  };
  const Row rows[] = {{true, 5, 10, 5}, {false, 5, 10, 15}, {false, 5, -3, 2}, {false, 5, 0, 5},
                      {true, 5, 0, 5},  {true, 5, -3, 5},   {true, 0, 1, 0},   {false, 0, 3, 3}};
  AllEntriesMask all;
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, all.find(row.value, row.start, row.count))
        << "find(" << row.value << ", " << row.start << ", " << row.count << ")";
  }
  for (uint32_t i : {0u, 1u, 1000u, 0xFFFFFFFFu})
    EXPECT_TRUE(all.test(i)) << i;
}

TEST(SelectionMask, InvertedFind) {
  struct Row {
    bool value;
    uint32_t start;
    int32_t count;
    uint32_t expected;
  };
  const Row rows[] = {
      {false, 5, 10, 5}, {true, 5, 10, 15}, {true, 5, -3, 2}, {true, 5, 0, 5}, {false, 5, 0, 5}};
  AllEntriesMask all;
  InvertedMask none(all);
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, none.find(row.value, row.start, row.count))
        << "find(" << row.value << ", " << row.start << ", " << row.count << ")";
  }
  for (uint32_t i : {0u, 1u, 1000u})
    EXPECT_FALSE(none.test(i)) << i;

  // Inverting a mask of its own kind: {1, 3} becomes everything else.
  IndexMask odd({1, 3});
  InvertedMask even(odd);
  EXPECT_TRUE(even.test(0));
  EXPECT_FALSE(even.test(1));
  EXPECT_EQ(2u, even.find(true, 1, 4));
  EXPECT_EQ(3u, even.find(false, 2, 4));
  EXPECT_EQ(0u, even.find(true, 1, -2));
}

TEST(HandleList, ReleaseAllGivesEveryHandleBackInOneCall) {
  fake::Host host;
  RecordingHandles handles;
  host.add(kHandleServiceClass, &handles);

  HandleList list;
  fill(list, "pqr");
  const void* first = list.data();
  list.release_all();
  ASSERT_EQ(1u, handles.calls.size());
  EXPECT_EQ(first, static_cast<const void*>(handles.calls[0].handles));
  EXPECT_EQ(3u, handles.calls[0].count);
  EXPECT_EQ(0u, list.count());
  EXPECT_EQ(nullptr, list.storage().data());

  // Nothing to give back: no call at all, not even for the service.
  host.asked.clear();
  list.release_all();
  EXPECT_EQ(1u, handles.calls.size());
  HandleList empty;
  empty.release_all();
  EXPECT_EQ(1u, handles.calls.size());
  EXPECT_EQ(0u, host.requests(kHandleServiceClass)) << "the service is cached after the first";
}

TEST(HandleList, EmptyListAsksNothingOfTheHost) {
  fake::Host host;
  RecordingHandles handles;
  host.add(kHandleServiceClass, &handles);
  HandleList empty;
  empty.release_all();
  EXPECT_EQ(0u, host.requests(kHandleServiceClass));
  EXPECT_TRUE(handles.calls.empty());
}

// A host that gives out handles but has no HandleService still gets every reference back.
TEST(HandleList, WithoutHandleServiceEachHandleGoesBackOnItsOwn) {
  fake::Host host;
  fake::Playlist playlist; // not installed: the host offers no service at all
  playlist.tracks = {{1}, {2}, {3}};
  HandleList list;
  AllEntriesMask all;
  playlist.get_entries(list.as_list(), &all);
  ASSERT_EQ(3, playlist.live_handles);
  list.release_all();
  EXPECT_EQ(0u, list.count());
  EXPECT_EQ(0, playlist.live_handles);
  EXPECT_EQ(0, playlist.handles.calls);
}

TEST_F(PointerArrayFailures, HandleWithoutRoomGoesBackToTheHost) {
  fake::Host host;
  RecordingHandles handles;
  host.add(kHandleServiceClass, &handles);
  HandleList list;
  fill(list, "ab");
  vorlane::fail_allocation(1, true);
  list.insert_at(entry('x'), list.count());
  vorlane::fail_allocation(0, false);
  EXPECT_EQ("ab", letters(list));
  ASSERT_EQ(1u, handles.calls.size()) << "the refused handle was not given back";
  EXPECT_EQ(1u, handles.calls[0].count);
  EXPECT_EQ(entry('x'), handles.calls[0].first);

  // With room, nothing goes back.
  list.insert_at(entry('y'), 0);
  EXPECT_EQ("yab", letters(list));
  EXPECT_EQ(1u, handles.calls.size());
  list.release_all();
}
