#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "playlist/m3u_loader.h"

namespace tessaly {
namespace {

struct Expected {
  std::string location;
  std::optional<double> length;
  std::string title = "";
  std::string artist = "";
  std::string album = "";
};

struct Row {
  const char* what;
  std::string text;
  std::vector<Expected> entries;
};

std::string bytes(const char* text, size_t n) {
  return std::string(text, n);
}

TEST(ParseM3u, Rows) {
  const std::vector<Row> rows = {
      {"bare locations, LF", "a.mp3\nb.mp3\n", {{"a.mp3", {}}, {"b.mp3", {}}}},
      {"no final line end", "a.mp3", {{"a.mp3", {}}}},
      {"whole seconds, artist and title",
       "#EXTM3U\n#EXTINF:200,Band - Song\na.mp3\n",
       {{"a.mp3", 200.0, "Song", "Band"}}},
      {"fraction", "#EXTINF:100.25,Song\na\n", {{"a", 100.25, "Song"}}},
      {"leading point", "#EXTINF:.5,x\na\n", {{"a", 0.5, "x"}}},
      {"trailing point", "#EXTINF:5.,x\na\n", {{"a", 5.0, "x"}}},
      {"plus sign", "#EXTINF:+7,x\na\n", {{"a", 7.0, "x"}}},
      {"zero is a length", "#EXTINF:0,x\na\n", {{"a", 0.0, "x"}}},
      {"blanks around the number", "#EXTINF: 12 ,x\na\n", {{"a", 12.0, "x"}}},
      {"negative is unknown", "#EXTINF:-1,Band - Song\na\n", {{"a", {}, "Song", "Band"}}},
      {"garbage number", "#EXTINF:abc,x\na\n", {{"a", {}, "x"}}},
      {"number with trailing junk", "#EXTINF:12abc,x\na\n", {{"a", {}, "x"}}},
      {"exponent is no plain decimal", "#EXTINF:1e3,x\na\n", {{"a", {}, "x"}}},
      {"two points", "#EXTINF:1.2.3,x\na\n", {{"a", {}, "x"}}},
      {"empty number", "#EXTINF:,x\na\n", {{"a", {}, "x"}}},
      {"no comma: no display", "#EXTINF:30\na\n", {{"a", 30.0}}},
      {"empty display", "#EXTINF:30,\na\n", {{"a", 30.0}}},
      {"split at the first ' - '", "#EXTINF:1,A - B - C\na\n", {{"a", 1.0, "B - C", "A"}}},
      {"a dash without blanks does not split", "#EXTINF:1,A-B\na\n", {{"a", 1.0, "A-B"}}},
      {"no artist before the dash", "#EXTINF:1, - B\na\n", {{"a", 1.0, "- B"}}},
      {"no title after the dash", "#EXTINF:1,A - \na\n", {{"a", 1.0, "A -"}}},
      {"only the next entry is described",
       "#EXTALB:Disc\n#EXTINF:9,A - B\nx\ny\n",
       {{"x", 9.0, "B", "A", "Disc"}, {"y", {}}}},
      {"the last EXTINF wins", "#EXTINF:1,one\n#EXTINF:2,two\na\n", {{"a", 2.0, "two"}}},
      {"album alone", "#EXTALB: Far Away \na\n", {{"a", {}, "", "", "Far Away"}}},
      {"CRLF",
       "#EXTM3U\r\n#EXTINF:5,T\r\nx.mp3\r\ny.mp3\r\n",
       {{"x.mp3", 5.0, "T"}, {"y.mp3", {}}}},
      {"byte-order mark", "\xEF\xBB\xBF#EXTM3U\nx\n", {{"x", {}}}},
      {"byte-order mark before a location", "\xEF\xBB\xBFx\n", {{"x", {}}}},
      {"blank lines and blanks", "\n\n \t\n  x.mp3 \n\n", {{"x.mp3", {}}}},
      {"comments are skipped", "# a comment\n#EXTFOO:1\nx\n", {{"x", {}}}},
      {"directives are case-sensitive", "#extinf:5,x\na\n", {{"a", {}}}},
      {"a NUL ends a line", bytes("a\0b\n", 4), {{"a", {}}, {"b", {}}}},
      {"nothing at all", "", {}},
      {"only a header", "#EXTM3U\n", {}},
      {"UTF-8 kept",
       "#EXTINF:3,Caf\xC3\xA9 - N\xC3\xA9\na\xE2\x82\xAC.mp3\n",
       {{"a\xE2\x82\xAC.mp3", 3.0, "N\xC3\xA9", "Caf\xC3\xA9"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<PlaylistEntry> entries = parse_m3u(row.text, "/lists");
    ASSERT_EQ(row.entries.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(row.entries[i].location, entries[i].location);
      EXPECT_EQ(row.entries[i].length, entries[i].length_seconds);
      EXPECT_EQ(row.entries[i].title, entries[i].title);
      EXPECT_EQ(row.entries[i].artist, entries[i].artist);
      EXPECT_EQ(row.entries[i].album, entries[i].album);
    }
  }
}

TEST(ParseM3u, RelativeLocationsAreTakenFromThePlaylistsFolder) {
  const struct {
    const char* location;
    const char* resolved;
  } rows[] = {
      {"a.mp3", "/music/lists/a.mp3"},
      {"sub/b.mp3", "/music/lists/sub/b.mp3"},
      {"../c.mp3", "/music/lists/../c.mp3"},
      {"/abs/d.mp3", "/abs/d.mp3"},
      {"C:\\tunes\\e.mp3", "C:\\tunes\\e.mp3"},
      {"\\\\server\\share\\f.mp3", "\\\\server\\share\\f.mp3"},
      {"http://example.invalid/g.mp3", "http://example.invalid/g.mp3"},
      {"file:///h.mp3", "file:///h.mp3"},
  };
  for (const auto& row : rows) {
    std::vector<PlaylistEntry> entries = parse_m3u(row.location, "/music/lists");
    ASSERT_EQ(1u, entries.size()) << row.location;
    EXPECT_EQ(row.location, entries[0].location);
    EXPECT_EQ(row.resolved, entries[0].resolved) << row.location;
  }
}

// Whatever the bytes, parsing ends and every entry has a one-line, non-blank location.
TEST(ParseM3u, GarbageNeverBreaksIt) {
  uint32_t state = 12345;
  for (int round = 0; round < 300; ++round) {
    std::string text;
    size_t size = round * 7 % 400;
    for (size_t i = 0; i < size; ++i) {
      state = state * 1103515245u + 12345u;
      // Bias toward the bytes the parser reacts to.
      static const char kSpecial[] = "#EXTINF:EXTALB,- .\r\n\t 0123456789";
      uint8_t b = static_cast<uint8_t>(state >> 16);
      text += (b & 1) ? kSpecial[(b >> 1) % (sizeof kSpecial - 1)] : static_cast<char>(b);
    }
    for (const PlaylistEntry& entry : parse_m3u(text, "/f")) {
      ASSERT_FALSE(entry.location.empty());
      ASSERT_EQ(std::string::npos, entry.location.find_first_of(std::string("\r\n\0", 3)));
      ASSERT_GE(entry.length_seconds.value_or(0), 0);
    }
  }
}

TEST(LoadPlaylist, ReadsAFileAndNamesThePlaylist) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "tessaly-playlist-test";
  std::filesystem::create_directories(dir);
  std::string path = (dir / "Road Trip.m3u8").string();
  std::ofstream(path, std::ios::binary) << "#EXTINF:10,x\nsong.mp3\n";
  Playlist playlist;
  std::string error;
  ASSERT_TRUE(load_playlist(path, &playlist, &error)) << error;
  EXPECT_EQ("Road Trip", playlist.name);
  ASSERT_EQ(1u, playlist.entries.size());
  EXPECT_EQ("song.mp3", playlist.entries[0].location);
  EXPECT_EQ("song.mp3",
            playlist.entries[0].resolved.substr(playlist.entries[0].resolved.size() - 8));

  // A missing playlist and a folder are errors that name the path.
  EXPECT_FALSE(load_playlist((dir / "missing.m3u").string(), &playlist, &error));
  EXPECT_NE(std::string::npos, error.find("missing.m3u")) << error;
  EXPECT_FALSE(load_playlist(dir.string(), &playlist, &error));
  EXPECT_NE(std::string::npos, error.find("folder")) << error;
  std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tessaly

TEST(PlaylistText, InvalidUtf8IsFoundWhereItStarts) {
  const struct {
    std::string text;
    size_t at;
  } rows[] = {
      {"plain ascii\n", std::string_view::npos},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", std::string_view::npos},
      {std::string("a\0b", 3), 1},
      {"\xFF", 0},
      {"ab\xC3", 2},           // cut short at the end
      {"\xC0\xAF", 0},         // overlong
      {"x\xE0\x80\xAF", 1},    // overlong three-byte form
      {"\xED\xA0\x80", 0},     // a surrogate
      {"\xF4\x90\x80\x80", 0}, // beyond U+10FFFF
      {"ok\xC3\x28", 2},       // a continuation byte missing
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.at, tessaly::first_non_text_byte(row.text)) << "text: " << row.text;
}
