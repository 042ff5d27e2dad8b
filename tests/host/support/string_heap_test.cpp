// The strings the host hands to modules, on a heap of the host's own: a module that grows or
// frees one with its own runtime fails here at once (AddressSanitizer natively, the private heap
// on Windows). Every test of this program runs so, chosen before its first string exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/utf8_string.h"
#include "common/block_bytes.h"
#include "common/safe_section_rows.h"
#include "host/started_host.h"
#include "support/string_heap.h"
#include "writer/telvane.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

const bool kChosen = choose_string_heap(StringHeap::Private);

TEST(StringHeap, TheChoiceHoldsFromTheFirstAllocationOn) {
  ASSERT_TRUE(kChosen);
  EXPECT_EQ(StringHeap::Private, string_heap());
  vorlane::Utf8String s;
  s.assign_text("x");
  EXPECT_TRUE(choose_string_heap(StringHeap::Private));
  EXPECT_FALSE(choose_string_heap(StringHeap::Runtime));
  EXPECT_EQ(StringHeap::Private, string_heap());
}

std::string repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += piece;
  return out;
}

class ProcessEntryOnHostHeap : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(StringHeap::Private, string_heap());
    dir_ = fs::temp_directory_path() /
           ("tessaly-heap-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ASSERT_NO_FATAL_FAILURE(test_support::start_host(dir_.string(), &host_, &module_));
    format_ = Telvane(*host_).select("Custom");
    ASSERT_TRUE(format_);
  }
  void TearDown() override {
    format_.reset();
    host_.reset();
    fs::remove_all(dir_);
  }

  void set_autocrlf(uint32_t value) {
    std::string block = test_support::record("autocrlf", test_support::u32(value));
    module_->client->load_config(block.data(), static_cast<uint32_t>(block.size()));
  }
  // The entry as Telvane hands it over: a new string of the host's making.
  std::string process(const std::string& text) {
    vorlane::Utf8String entry;
    entry.assign(text.data(), static_cast<uint32_t>(text.size()));
    format_->process_entry(&entry, 0, nullptr);
    return std::string(entry.text(), entry.length());
  }

  fs::path dir_;
  std::unique_ptr<Host> host_;
  LoadedModule* module_ = nullptr;
  FormatReference format_;
};

TEST_F(ProcessEntryOnHostHeap, GivesTheSameBytes) {
  std::string deep = repeated("@htmlsafe{", 70) + std::string(70, '&') + std::string(70, '}');
  // Each "&" inside 70 sections: "&" and 70 times "amp;".
  std::string deep_amp(1, '&');
  deep_amp += repeated("amp;", 70);
  struct Row {
    std::string before, after;
  };
  std::vector<Row> rows;
  for (const test_support::SafeSectionRow& row : test_support::kSafeSectionRows)
    rows.push_back({row.before, row.after});
  rows.insert(
      rows.end(),
      {
          {"no marker & <b>", "no marker & <b>"},
          {"", ""},
          // Grows past the entry's room: the string must be grown by its own code.
          {"@htmlsafe{<<<<<<<<<<}", repeated("&lt;", 10)},
          // Long enough that the rewritten text was once handed over with the module's block.
          {repeated("<td>@htmlsafe{R&B <i>}</td>", 800),
           repeated("<td>R&amp;B &lt;i&gt;</td>", 800)},
          // Nested: counted first, then written into storage of its own.
          {deep, repeated(deep_amp, 70)},
      });
  for (uint32_t autocrlf : {1u, 0u, 7u}) {
    set_autocrlf(autocrlf);
    const std::string line_end = autocrlf != 0 ? "\r\n" : "";
    for (const Row& row : rows) {
      EXPECT_EQ(row.after + line_end, process(row.before))
          << "autocrlf " << autocrlf << ", from: " << row.before.substr(0, 60);
    }
  }
}

} // namespace
} // namespace tessaly
