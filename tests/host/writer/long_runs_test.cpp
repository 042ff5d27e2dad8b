// Long runs in one process: many exports, and many openings of the preferences page each with a
// configuration file saved and loaded, must leave the heap where it was after the first 100.
// The counts come from TESSALY_LONG_RUN_EXPORTS and TESSALY_LONG_RUN_OPENINGS (make bench sets
// the full ones); the defaults keep make test short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "common/block_bytes.h"
#include "common/heap_in_use.h"
#include "host/started_host.h"
#include "playlist/m3u_loader.h"
#include "prefs/custom_page.h"
#include "prefs/page_driver.h"
#include "prefs/prefs_window.h"
#include "support/files.h"
#include "writer/telvane.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

// The heap may grow by 1% of what it held after the first 100 runs.
constexpr int kWarmUp = 100;

int count_from(const char* variable, int fallback) {
  const char* text = std::getenv(variable);
  int n = text ? std::atoi(text) : 0;
  return n > kWarmUp ? n : fallback;
}

class LongRuns : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessaly-long-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "profile");
    ASSERT_NO_FATAL_FAILURE(
        test_support::start_host((dir_ / "profile").string(), &host_, &module_));
    using test_support::record;
    std::string block = record("header", "<table>%playlist_total%") +
                        record("format", "<tr><td>@htmlsafe{%title%}</td></tr>") +
                        record("footer", "</table>") + record("autocrlf", test_support::u32(1));
    module_->client->load_config(block.data(), static_cast<uint32_t>(block.size()));
  }
  void TearDown() override {
    host_.reset();
    fs::remove_all(dir_);
  }

  // Runs step count times; the heap after the last is compared with the heap after kWarmUp.
  void expect_flat(int count, const std::function<bool(int)>& step) {
    long long after_warm_up = 0;
    for (int i = 1; i <= count; ++i) {
      ASSERT_TRUE(step(i)) << "run " << i;
      if (i == kWarmUp)
        after_warm_up = heap_in_use();
    }
    long long after_last = heap_in_use();
    long long allowed = after_warm_up / 100;
    std::printf("%d runs: heap %lld bytes after %d, %lld after the last (%+lld)\n", count,
                after_warm_up, kWarmUp, after_last, after_last - after_warm_up);
    EXPECT_LE(after_last - after_warm_up, allowed);
  }

  fs::path dir_;
  std::unique_ptr<Host> host_;
  LoadedModule* module_ = nullptr;
};

TEST_F(LongRuns, ExportsOfASmallPlaylist) {
  std::string m3u;
  for (int i = 1; i <= 12; ++i)
    m3u += "#EXTINF:" + std::to_string(60 + i) + ",Artist " + std::to_string(i) + " - Title & " +
           std::to_string(i) + "\ntrack" + std::to_string(i) + ".mp3\n";
  host_->playlist().set_playlist(Playlist{"long", parse_m3u(m3u, dir_.string())});
  Telvane telvane(*host_);
  std::string out = (dir_ / "out.html").string();
  expect_flat(count_from("TESSALY_LONG_RUN_EXPORTS", 300), [&](int) {
    FormatReference format = telvane.select("Custom");
    size_t entries = 0;
    std::string error;
    bool ok = format && telvane.write_file(*format.get(), out, &entries, &error) && entries == 12;
    EXPECT_EQ("", error);
    return ok;
  });
  std::string written;
  std::string error;
  ASSERT_TRUE(read_file(out, &written, &error)) << error;
  EXPECT_EQ(0u, written.find("<table>12\r\n<tr><td>Title &amp; 1</td></tr>\r\n")) << written;
}

TEST_F(LongRuns, PreferencesOpenedWithASaveAndALoad) {
  std::string saved = (dir_ / "saved.tvc").generic_string();
  auto file_action = [&](Action::Kind kind, int button) {
    Action action{kind, "", nullptr, button, saved, nullptr};
    return action;
  };
  const Action save = file_action(Action::Save, custom_page::kSaveButton);
  const Action load = file_action(Action::Load, custom_page::kLoadButton);
  expect_flat(count_from("TESSALY_LONG_RUN_OPENINGS", 200), [&](int) {
    PreferencesWindow window(*host_);
    std::string error;
    bool ok = window.create(&error) && window.open_page("Custom", "Telvane", &error) &&
              perform_action(window, *module_, save, "") &&
              perform_action(window, *module_, load, "");
    EXPECT_EQ("", error);
    return ok && !host_->messages().error_posted();
  });
  EXPECT_TRUE(file_exists(saved));
}

} // namespace
} // namespace tessaly
