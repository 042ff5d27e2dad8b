#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "playlist/folder_loader.h"
#include "playlist/inputs.h"
#include "playlist/locations.h"
#include "playlist/pls_loader.h"
#include "playlist/xspf_loader.h"

namespace tessaly {
namespace {

// location|resolved|title|artist|album|length|track for each entry, one line each.
std::string describe(const std::vector<PlaylistEntry>& entries) {
  std::string text;
  for (const PlaylistEntry& e : entries) {
    text += e.location + "|" + e.resolved + "|" + e.title + "|" + e.artist + "|" + e.album + "|" +
            (e.length_seconds ? std::to_string(*e.length_seconds).substr(0, 5) : "?") + "|" +
            e.file_field(FileField::TrackNumber) + "\n";
  }
  return text;
}

TEST(ParsePls, Rows) {
  struct Row {
    const char* what;
    const char* text;
    const char* entries;
  } rows[] = {
      {"numbers order the entries, keys in any case",
       "[playlist]\r\nfile2=b.ogg\r\nTITLE2=Bee\r\nFile1=/m/a.flac\r\nLength1=61.5\r\n",
       "/m/a.flac|/m/a.flac||||61.50|\nb.ogg|/lists/b.ogg|Bee|||?|\n"},
      {"a negative or zero length is unknown; a URL stays",
       "[playlist]\nFile1=http://s/x\nLength1=-1\nFile2=c\nLength2=0\n",
       "http://s/x|http://s/x||||?|\nc|/lists/c||||?|\n"},
      {"a title without a file, a key without a number, junk lines",
       "[playlist]\nTitle3=alone\nFile=x\nnoise\nFile1x=y\nNumberOfEntries=3\n", ""},
      {"a byte-order mark and blanks around the value", "\xEF\xBB\xBF[playlist]\nFile1 =  a b  \n",
       "a b|/lists/a b||||?|\n"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.entries, describe(parse_pls(row.text, "/lists"))) << row.what;
}

TEST(ParseXspf, Rows) {
  struct Row {
    const char* what;
    const char* text;
    bool ok;
    const char* entries_or_error;
  } rows[] = {
      {"our own export, entities and a percent-encoded file URI",
       "<?xml version=\"1.0\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
       "<trackList><track><location>file:///m/A%20%26%20B.flac</location>"
       "<title>Salt &amp; Sugar</title><creator>Ann</creator><album>&#xC9;t&#233;</album>"
       "<trackNum> 3 </trackNum><duration>245000</duration></track></trackList></playlist>",
       true,
       "file:///m/A%20%26%20B.flac|/m/A & B.flac|Salt & Sugar|Ann|\xC3\x89t\xC3\xA9|245.0|3\n"},
      {"relative and http locations; a track without one is skipped; the first location wins",
       "<playlist><trackList><track><location>sub/a%20b.ogg</location><location>x</location>"
       "</track><track><title>none</title></track><track><location>http://h/s</location>"
       "</track></trackList></playlist>",
       true, "sub/a%20b.ogg|/lists/sub/a b.ogg||||?|\nhttp://h/s|http://h/s||||?|\n"},
      {"a prefixed namespace, fields outside a track ignored",
       "<x:playlist xmlns:x=\"http://xspf.org/ns/0/\"><x:title>T</x:title><x:trackList><x:track>"
       "<x:location>file://localhost/C:/m/a.mp3</x:location></x:track></x:trackList></x:playlist>",
       true, "file://localhost/C:/m/a.mp3|C:/m/a.mp3||||?|\n"},
      // Each system's parser words the fault its own way after this.
      {"not well-formed", "<playlist><trackList><track>", false, "not well-formed XML: line 1: "},
      {"not a playlist", "<html><body/></html>", false,
       "not an XSPF playlist: its document element is not <playlist>"},
  };
  for (const Row& row : rows) {
    std::vector<PlaylistEntry> entries;
    std::string error;
    ASSERT_EQ(row.ok, parse_xspf(row.text, "/lists", &entries, &error))
        << row.what << ": " << error;
    EXPECT_EQ(row.entries_or_error,
              row.ok ? describe(entries) : error.substr(0, std::strlen(row.entries_or_error)))
        << row.what;
  }
}

TEST(FileUriPath, Rows) {
  struct Row {
    const char* uri;
    std::optional<std::string> path;
  } rows[] = {
      {"file:///m/a%20b.flac", "/m/a b.flac"},
      {"FILE:///C:/x%2", "C:/x%2"},
      {"file:///m/a.flac%00.txt", "/m/a.flac%00.txt"},
      {"file:/m/x", "/m/x"},
      {"file://host", ""},
      {"http://h/a%20b", std::nullopt},
      {"/m/a", std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.path, file_uri_path(row.uri)) << row.uri;
}

TEST(InputKind, ByNameElseByContent) {
  struct Row {
    const char* name;
    std::string head;
    InputKind kind;
  } rows[] = {
      {"a.M3U8", "[playlist]", InputKind::M3u},
      {"a.pls", "", InputKind::Pls},
      {"a.xspf", "", InputKind::Xspf},
      {"a.Flac", "#EXTM3U", InputKind::Audio},
      {"list", "\xEF\xBB\xBF\r\n [Playlist]\nFile1=a", InputKind::Pls},
      {"list", "<?xml version=\"1.0\"?><playlist>", InputKind::Xspf},
      {"list.txt", "<playlist version=\"1\">", InputKind::Xspf},
      {"song", std::string("fLaC\0\0\0\x22", 8), InputKind::Audio},
      {"song", "\xFF\xFB\x90\x64", InputKind::Audio},
      {"list", "#EXTM3U\n", InputKind::M3u},
      {"list", "a.mp3\n", InputKind::M3u},
      {"list", "\xFF\xFE\x00\x01", InputKind::M3u}, // no MPEG frame: bitrate index 0
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.kind, input_kind(row.name, row.head)) << row.name << " " << row.head;
}

TEST(LoadFolder, PathOrderEachFileOnceThroughALoop) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tessaly_folder_" + std::to_string(sizeof(void*)));
  fs::remove_all(dir);
  fs::create_directories(dir / "B album");
  fs::create_directories(dir / "a album" / "cd 2");
  for (const char* name : {"B album/02.mp3", "B album/01.ogg", "a album/cd 2/01.flac",
                           "a album/10.opus", "a album/cover.jpg", "a album/notes.m3u", "z.wav"})
    std::ofstream(dir / name) << "x";
  std::ofstream(dir / "a album" / "no extension", std::ios::binary) << "OggS\0\x02";
  std::ofstream(dir / "a album" / "text", std::ios::binary) << "hello";
  // A link back up, where the system lets a test make one.
  std::error_code no_link;
  fs::create_directory_symlink("..", dir / "a album" / "loop", no_link);
  std::vector<PlaylistEntry> entries;
  TagReading problems;
  load_folder(dir.string(), &entries, &problems);
  std::string names;
  for (const PlaylistEntry& entry : entries)
    names += fs::path(entry.resolved).lexically_relative(dir).generic_string() + ";";
  EXPECT_EQ("B album/01.ogg;B album/02.mp3;a album/10.opus;a album/cd 2/01.flac;"
            "a album/no extension;z.wav;",
            names);
  EXPECT_EQ(0u, problems.failed);
  fs::remove_all(dir);
}

} // namespace
} // namespace tessaly
