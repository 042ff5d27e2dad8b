// Telvane with the real module loaded from components/, in a profile of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/utf8_string.h"
#include "common/block_bytes.h"
#include "diag/audit.h"
#include "host/started_host.h"
#include "playlist/m3u_loader.h"
#include "support/files.h"
#include "writer/telvane.h"

namespace tessaly {
namespace {

using test_support::record;

namespace fs = std::filesystem;

std::string read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class TelvaneTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessaly-telvane-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "profile");
    ASSERT_NO_FATAL_FAILURE(
        test_support::start_host((dir_ / "profile").string(), &host_, &module_));
    formats_before_ = Audit::instance().live("OutputFormat");
  }
  void TearDown() override {
    host_.reset();
    fs::remove_all(dir_);
  }

  void configure(const std::string& header, const std::string& entry, const std::string& footer) {
    std::string block = record("header", header) + record("format", entry) +
                        record("footer", footer) + record("autocrlf", std::string("\1\0\0\0", 4));
    module_->client->load_config(block.data(), static_cast<uint32_t>(block.size()));
  }
  void load(const std::string& m3u) {
    host_->playlist().set_playlist(Playlist{"test", parse_m3u(m3u, dir_.string())});
  }

  fs::path dir_;
  std::unique_ptr<Host> host_;
  LoadedModule* module_ = nullptr;
  long formats_before_ = 0;
};

TEST_F(TelvaneTest, ListsAndSelectsTheModulesFormat) {
  Telvane telvane(*host_);
  std::vector<OutputFormatInfo> formats = telvane.formats();
  ASSERT_EQ(1u, formats.size());
  EXPECT_EQ("Custom", formats[0].name);
  EXPECT_EQ("Custom formatting strings as defined in prefs.", formats[0].description);
  EXPECT_EQ("All Files|*.*", formats[0].filter);
  EXPECT_EQ(formats_before_, Audit::instance().live("OutputFormat"));

  EXPECT_FALSE(telvane.select("custom"));
  EXPECT_EQ("no output format named 'M3U'; known formats: Custom",
            telvane.unknown_format_message("M3U"));
  {
    FormatReference format = telvane.select("Custom");
    ASSERT_TRUE(format);
    EXPECT_EQ(formats_before_ + 1, Audit::instance().live("OutputFormat"));
  }
  EXPECT_EQ(formats_before_, Audit::instance().live("OutputFormat"));
}

TEST_F(TelvaneTest, WritesHeaderEntriesAndFooterIntoTheFile) {
  configure("<%playlist_total% @htmlsafe{%title%}>", "%list_index% @htmlsafe{%title%}[ %length%]",
            "end of %num_tracks_no_length%");
  load("#EXTINF:61,A - One & Two\na.mp3\nb.mp3\n");
  Telvane telvane(*host_);
  FormatReference format = telvane.select("Custom");
  ASSERT_TRUE(format);
  fs::path out = dir_ / "out.txt";
  size_t entries = 0;
  std::string error;
  ASSERT_TRUE(telvane.write_file(*format.get(), out.string(), &entries, &error)) << error;
  EXPECT_EQ(2u, entries);
  // The header and footer see entry 0's fields next to the statistics.
  EXPECT_EQ("<2 One &amp; Two>\r\n1 One &amp; Two 1:01\r\n2 \r\nend of 1\r\n", read_all(out));
  EXPECT_EQ(0u, Audit::instance().live("TrackHandle"));
  EXPECT_EQ(0u, Audit::instance().live("TrackInfo"));
  std::vector<std::string> left = list_directory(dir_.string());
  EXPECT_EQ((std::vector<std::string>{"out.txt", "profile"}), left);
}

TEST_F(TelvaneTest, AnEmptyEntryFormatWritesNoEntries) {
  configure("H", "", "F");
  load("a\nb\n");
  Telvane telvane(*host_);
  FormatReference format = telvane.select("Custom");
  size_t entries = 7;
  std::string error;
  fs::path out = dir_ / "out.txt";
  ASSERT_TRUE(telvane.write_file(*format.get(), out.string(), &entries, &error)) << error;
  EXPECT_EQ(0u, entries);
  EXPECT_EQ("H\r\nF\r\n", read_all(out));
}

// The module caches the host's services for good; a second host in the same process (with the
// module loaded anew) must see its own, and the first one's cached references are written off.
TEST(HostLifetime, EachHostServesTheModuleItsOwnPlaylist) {
  fs::path profile = fs::temp_directory_path() / "tessaly-lifetime-profile";
  fs::create_directories(profile);
  long playlists = Audit::instance().live("PlaylistService");
  for (int round = 1; round <= 2; ++round) {
    HostOptions options;
    options.profile = profile.string();
    Host host(options);
    ASSERT_TRUE(host.start());
    Playlist playlist;
    playlist.entries.resize(static_cast<size_t>(round));
    host.playlist().set_playlist(playlist);
    std::vector<HostPlaylistService::FormatCall> calls;
    host.playlist().record_format_calls(&calls);
    {
      FormatReference format = Telvane(host).select("Custom");
      ASSERT_TRUE(format);
      vorlane::Utf8String header;
      format->get_header(&header);
    }
    ASSERT_EQ(1u, calls.size());
    bool found = false;
    for (const auto& [name, value] : calls[0].items) {
      if (name == "playlist_total") {
        EXPECT_EQ(std::to_string(round), value);
        found = true;
      }
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(Audit::instance().clean()) << Audit::instance().report();
  }
  EXPECT_EQ(playlists, Audit::instance().live("PlaylistService"));
  fs::remove_all(profile);
}

} // namespace
} // namespace tessaly
