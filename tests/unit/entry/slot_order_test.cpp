// The host calls every operation at the boundary by its position in the interface, and both sides
// take those positions from the same headers. So the expected slots here are literals, not read
// from the headers: swapping two declarations must fail a test even though everything else would
// still agree with itself.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "base/pointer_list.h"
#include "entry/host_interface.h"
#include "platform/string_sink.h"

namespace {

// The vtable slot that a pointer to a virtual member function names. GCC, natively and for
// mingw-w64 alike, stores such a pointer as 1 + the slot's byte offset in its first word; an even
// first word is a non-virtual function, answered as -1.
template <class Member> long slot_of(Member member) {
  static_assert(sizeof(Member) == 2 * sizeof(std::ptrdiff_t), "a pointer and an adjustment");
  std::ptrdiff_t word;
  std::memcpy(&word, &member, sizeof word);
  if ((word & 1) == 0)
    return -1;
  return static_cast<long>((word - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}

struct SlotRow {
  const char* operation;
  long found;
  long expected;
  // The position is only bounded below: other operations of the host lie in between.
  bool at_least = false;
};

void expect_slots(const char* interface, std::initializer_list<SlotRow> rows) {
  for (const SlotRow& row : rows) {
    bool good = row.at_least ? row.found >= row.expected : row.found == row.expected;
    EXPECT_TRUE(good) << interface << "::" << row.operation << " is in slot " << row.found
                      << ", expected " << (row.at_least ? "at least " : "") << row.expected;
  }
}

#define SLOT(Interface, operation, expected)                                                       \
  { #operation, slot_of(&Interface::operation), expected }
#define AFTER(Interface, operation, minimum)                                                       \
  { #operation, slot_of(&Interface::operation), minimum, true }

using namespace vorlane;

// Interfaces the module implements or hands to the host.

TEST(SlotOrder, ComponentClient) {
  expect_slots("ComponentClient",
               {SLOT(ComponentClient, version, 0), SLOT(ComponentClient, factory_list, 1),
                SLOT(ComponentClient, save_config, 2), SLOT(ComponentClient, load_config, 3),
                SLOT(ComponentClient, reserved_hook, 4), SLOT(ComponentClient, set_host_texts, 5),
                SLOT(ComponentClient, set_host_flag, 6)});
}

TEST(SlotOrder, ServiceFactory) {
  expect_slots("ServiceFactory", {SLOT(ServiceFactory, create, 0)});
}

TEST(SlotOrder, HostService) {
  expect_slots("HostService", {SLOT(HostService, release, 0), SLOT(HostService, add_ref, 1),
                               SLOT(HostService, query, 2)});
}

TEST(SlotOrder, OutputFormat) {
  expect_slots("OutputFormat",
               {SLOT(OutputFormat, release, 0), SLOT(OutputFormat, add_ref, 1),
                SLOT(OutputFormat, query, 2), SLOT(OutputFormat, get_name, 3),
                SLOT(OutputFormat, get_description, 4), SLOT(OutputFormat, get_file_filter, 5),
                SLOT(OutputFormat, get_entry_format, 6), SLOT(OutputFormat, get_header, 7),
                SLOT(OutputFormat, get_footer, 8), SLOT(OutputFormat, process_entry, 9)});
}

TEST(SlotOrder, PreferencesPage) {
  expect_slots("PreferencesPageService",
               {SLOT(PreferencesPageService, release, 0), SLOT(PreferencesPageService, add_ref, 1),
                SLOT(PreferencesPageService, query, 2),
                SLOT(PreferencesPageService, create_window, 3),
                SLOT(PreferencesPageService, page_name, 4),
                SLOT(PreferencesPageService, parent_page_name, 5)});
}

TEST(SlotOrder, StringSink) {
  expect_slots("StringSink",
               {SLOT(StringSink, text, 0), SLOT(StringSink, append, 1), SLOT(StringSink, assign, 2),
                SLOT(StringSink, truncate, 3), SLOT(StringSink, length, 4)});
}

TEST(SlotOrder, PointerList) {
  expect_slots("PointerList", {SLOT(PointerList, count, 0), SLOT(PointerList, item_at, 1),
                               SLOT(PointerList, remove_at, 2), SLOT(PointerList, keep_masked, 3),
                               SLOT(PointerList, insert_at, 4)});
}

TEST(SlotOrder, SelectionMask) {
  expect_slots("SelectionMask", {SLOT(SelectionMask, test, 0), SLOT(SelectionMask, find, 1)});
}

// Host interfaces the module calls: the positions that are promised, and no more. Where other
// operations of the host lie between two, only the order is checked, with room for one at least.

TEST(SlotOrder, HostApi) {
  expect_slots("HostApi", {SLOT(HostApi, get_service, 0)});
}

TEST(SlotOrder, PlaylistService) {
  long entry_count = slot_of(&PlaylistService::entry_count);
  long format_title = slot_of(&PlaylistService::format_title);
  expect_slots("PlaylistService", {SLOT(PlaylistService, entry_count, 3),
                                   AFTER(PlaylistService, format_title, entry_count + 2),
                                   AFTER(PlaylistService, get_entries, format_title + 2)});
}

TEST(SlotOrder, MessageService) {
  expect_slots("MessageService", {SLOT(MessageService, post_message, 3)});
}

TEST(SlotOrder, FileSystemService) {
  expect_slots("FileSystemService",
               {SLOT(FileSystemService, canonical_path, 3),
                SLOT(FileSystemService, accepts_path, 4), SLOT(FileSystemService, create_file, 6)});
}

TEST(SlotOrder, HostFile) {
  long open = slot_of(&HostFile::open);
  expect_slots("HostFile", {SLOT(HostFile, release, 0), AFTER(HostFile, open, 3),
                            SLOT(HostFile, read, open + 1), SLOT(HostFile, write, open + 2),
                            AFTER(HostFile, discard, open + 4)});
}

TEST(SlotOrder, TrackHandle) {
  long get_info = slot_of(&TrackHandle::get_info);
  long begin_info = slot_of(&TrackHandle::begin_info);
  expect_slots("TrackHandle", {AFTER(TrackHandle, begin_info, get_info + 2),
                               AFTER(TrackHandle, end_info, begin_info + 2)});
}

TEST(SlotOrder, ByteWriter) {
  expect_slots("ByteWriter", {SLOT(ByteWriter, write, 0)});
}

} // namespace
