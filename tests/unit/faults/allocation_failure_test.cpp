// Every operation that allocates is run with the Nth allocation failing, for N = 1, 2, 3 ...
// until it completes without meeting the failure, once with a single failure and once with every
// allocation failing from N on. After each run nothing may have crashed or leaked (the native
// suite runs under LeakSanitizer), no block may claim storage it lacks, each setting holds either
// its old or its new value, and every host reference has come back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "base/allocator.h"
#include "base/utf8_string.h"
#include "config/config_var.h"
#include "format/custom_output_format.h"
#include "support/fake_host.h"

namespace {

using vorlane::settings::autocrlf;
using vorlane::settings::footer;
using vorlane::settings::format;
using vorlane::settings::header;

// Storage a string claims must exist: a text of n bytes needs at least n + 1 bytes behind it.
void expect_sound(const vorlane::Utf8String& s, const std::string& where) {
  const vorlane::MemoryBlock& block = s.storage();
  EXPECT_LE(block.size(), block.capacity()) << where;
  if (s.length() > 0) {
    ASSERT_NE(nullptr, block.data()) << where;
    EXPECT_GE(block.size(), s.length() + 1) << where;
    EXPECT_EQ('\0', s.text()[s.length()]) << where;
  }
}

struct Settings {
  std::string header, footer, format;
  int32_t autocrlf;
  bool operator==(const Settings&) const = default;
};

Settings current() {
  return {header.get_text(), footer.get_text(), format.get_text(), autocrlf.get_value()};
}

void apply(const Settings& s) {
  header.set_text(s.header.c_str());
  footer.set_text(s.footer.c_str());
  format.set_text(s.format.c_str());
  autocrlf.set_value(s.autocrlf);
}

// Runs operation with the Nth allocation failing, for growing N, in both modes, calling check
// after each run with whether the failure was met. Returns how many runs met it.
int for_each_failure(const std::function<void()>& setup, const std::function<void()>& operation,
                     const std::function<void(bool failed, const std::string& where)>& check) {
  int failures = 0;
  for (bool from_then_on : {false, true}) {
    for (uint32_t n = 1; n < 10000; ++n) {
      setup();
      vorlane::fail_allocation(n, from_then_on);
      operation();
      bool failed = vorlane::allocation_failed();
      vorlane::fail_allocation(0, false);
      std::string where = "allocation " + std::to_string(n) +
                          (from_then_on ? " and every later one" : " alone") + " failed";
      check(failed, where);
      if (!failed)
        break;
      ++failures;
    }
  }
  return failures;
}

class AllocationFailure : public ::testing::Test {
protected:
  void SetUp() override { saved_ = current(); }
  void TearDown() override {
    vorlane::fail_allocation(0, false);
    apply(saved_);
  }
  Settings saved_;
};

TEST_F(AllocationFailure, ConfigLoadAllAppliesEachSettingWholeOrNotAtAll) {
  const Settings before{"old header", "old footer", "old format", 0};
  const Settings after{"new header text", "", "%title%", 1};
  // The block of `after`, as the module itself writes it.
  apply(after);
  vorlane::MemoryWriter block;
  vorlane::config_save_all(block);
  std::string bytes(reinterpret_cast<const char*>(block.data()), block.size());

  int failures = for_each_failure(
      [&] { apply(before); },
      [&] { vorlane::config_load_all(bytes.data(), static_cast<uint32_t>(bytes.size())); },
      [&](bool failed, const std::string& where) {
        Settings now = current();
        EXPECT_TRUE(now.header == before.header || now.header == after.header) << where;
        EXPECT_TRUE(now.footer == before.footer || now.footer == after.footer) << where;
        EXPECT_TRUE(now.format == before.format || now.format == after.format) << where;
        EXPECT_TRUE(now.autocrlf == before.autocrlf || now.autocrlf == after.autocrlf) << where;
        if (!failed) {
          EXPECT_EQ(after, now) << where;
        }
      });
  EXPECT_GT(failures, 0) << "no allocation was ever failed: the loop tested nothing";
}

TEST_F(AllocationFailure, SetTextKeepsTheOldTextWhenTheCopyCannotBeMade) {
  int failures = for_each_failure([] { header.set_text("short"); },
                                  [] { header.set_text("a much longer header text"); },
                                  [](bool failed, const std::string& where) {
                                    std::string now = header.get_text();
                                    if (failed) {
                                      EXPECT_EQ("short", now) << where;
                                    } else {
                                      EXPECT_EQ("a much longer header text", now) << where;
                                    }
                                  });
  EXPECT_GT(failures, 0);
}

class OutputFormatAllocationFailure : public AllocationFailure {
protected:
  void SetUp() override {
    AllocationFailure::SetUp();
    playlist_.tracks = {{200.5}, {100.25}, {0, false}};
    playlist_.install(host_);
    header.set_text("@htmlsafe{<h1>}");
    footer.set_text("@htmlsafe{&} end");
    autocrlf.set_value(1);
  }
  fake::Host host_;
  fake::Playlist playlist_;
};

TEST_F(OutputFormatAllocationFailure, HeaderAndFooterNeverLeakOrLoseReferences) {
  std::string header_text, footer_text;
  bool created = false;
  int failures =
      for_each_failure([] {},
                       [&] {
                         vorlane::CustomOutputFormat* object =
                             vorlane::CustomOutputFormat::create();
                         created = object != nullptr;
                         if (!object)
                           return;
                         vorlane::Utf8String head, foot;
                         object->get_header(&head);
                         object->get_footer(&foot);
                         expect_sound(head, "header");
                         expect_sound(foot, "footer");
                         header_text = head.text();
                         footer_text = foot.text();
                         EXPECT_EQ(0, object->release());
                       },
                       [&](bool failed, const std::string& where) {
                         EXPECT_EQ(0, playlist_.live_handles) << where;
                         EXPECT_EQ(0, playlist_.open_infos) << where;
                         if (!failed) {
                           EXPECT_TRUE(created) << where;
                           EXPECT_EQ(0u, header_text.find("&lt;h1&gt;average_track_length_string"))
                               << where << ": " << header_text;
                           EXPECT_EQ(0u, footer_text.find("&amp; endaverage_track_length_string"))
                               << where << ": " << footer_text;
                         }
                       });
  EXPECT_GT(failures, 0);
}

TEST_F(OutputFormatAllocationFailure, ProcessEntryLeavesTheEntryWholeOrRewritten) {
  const std::string input = "x@htmlsafe{a<b & c>d}y";
  const std::string rewritten = "xa&lt;b &amp; c&gt;dy\r\n";
  vorlane::CustomOutputFormat* object = vorlane::CustomOutputFormat::create();
  ASSERT_NE(nullptr, object);
  vorlane::Utf8String entry;
  int failures = for_each_failure(
      [&] { entry.assign_text(input.c_str()); }, [&] { object->process_entry(&entry, 0, nullptr); },
      [&](bool failed, const std::string& where) {
        expect_sound(entry, where);
        std::string now = entry.text();
        // The rewriting and the line end are separate steps: each is done whole or not at all.
        EXPECT_TRUE(now == input || now == input + "\r\n" || now == rewritten ||
                    now == rewritten.substr(0, rewritten.size() - 2))
            << where << ": " << now;
        if (!failed) {
          EXPECT_EQ(rewritten, now) << where;
        }
      });
  EXPECT_GT(failures, 0);
  EXPECT_EQ(0, object->release());
}

TEST_F(AllocationFailure, FactoryCreateReturnsNullWhenTheObjectCannotBeAllocated) {
  vorlane::ServiceFactory* factory = vorlane::component_client.factory_list();
  while (factory && !(factory->class_id == vorlane::kOutputFormatClass))
    factory = factory->next;
  ASSERT_NE(nullptr, factory);
  vorlane::fail_allocation(1, false);
  vorlane::HostService* object = factory->create();
  vorlane::fail_allocation(0, false);
  EXPECT_EQ(nullptr, object);
}

} // namespace

namespace {

// Counts allocations without failing any: the failure is set beyond reach.
uint32_t allocations_during(const std::function<void()>& operation) {
  vorlane::fail_allocation(0xFFFFFFFFu, false);
  operation();
  uint32_t count = vorlane::allocations_attempted();
  vorlane::fail_allocation(0, false);
  return count;
}

TEST_F(AllocationFailure, ProcessEntryAllocatesNothingOnceWarm) {
  autocrlf.set_value(1);
  // The caller's string has room for the rewritten entry and its line end, as the reservation
  // rule leaves it after the assignment: the rewrite itself must not allocate.
  const std::string input =
      "<tr><td>@htmlsafe{Rust & Rivets <live>}</td><td>@htmlsafe{Quiet Harbour}</td></tr>";
  vorlane::CustomOutputFormat* object = vorlane::CustomOutputFormat::create();
  ASSERT_NE(nullptr, object);
  vorlane::Utf8String entry;
  for (int warm = 0; warm < 2; ++warm) {
    entry.assign_text(input.c_str());
    object->process_entry(&entry, 0, nullptr);
  }
  entry.assign_text(input.c_str());
  EXPECT_EQ(0u, allocations_during([&] { object->process_entry(&entry, 1, nullptr); }));
  EXPECT_EQ("<tr><td>Rust &amp; Rivets &lt;live&gt;</td><td>Quiet Harbour</td></tr>\r\n",
            std::string(entry.text()));
  EXPECT_EQ(0, object->release());
}

} // namespace
