// Ogg lengths of files made here, each checked against the granule position of the first stream's
// last page, found by walking the pages from the file's start.
#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "playlist/file_tags.h"

namespace tessaly {
namespace {

struct OggPages {
  long long last_granule = -1; // of the first stream's last page that has one
  long long pre_skip = 0;      // Opus's
  size_t header_bytes = 0;     // the first stream's pages at granule position 0, less their heads
  size_t last_page = 0;        // the size of the file's last page
};

OggPages walk_pages(const std::string& bytes) {
  auto number = [&](size_t at, int size) {
    unsigned long long value = 0;
    for (int i = size - 1; i >= 0; --i)
      value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  OggPages pages;
  for (size_t at = 0; at + 27 <= bytes.size() && bytes.compare(at, 4, "OggS") == 0;) {
    size_t head = 27 + number(at + 26, 1), size = head;
    for (size_t i = at + 27; i < at + head && i < bytes.size(); ++i)
      size += number(i, 1);
    if (at + size > bytes.size())
      break;
    auto granule = static_cast<long long>(number(at + 6, 8));
    if (at == 0 && bytes.compare(head, 8, "OpusHead") == 0)
      pages.pre_skip = static_cast<long long>(number(head + 10, 2));
    if (number(at + 14, 4) == number(14, 4)) {
      pages.header_bytes += granule == 0 ? size - head : 0;
      pages.last_granule = granule != -1 ? granule : pages.last_granule;
    }
    pages.last_page = size;
    at += size;
  }
  return pages;
}

struct OggFile {
  const char* name;
  const char* make;       // shell commands run in the test's folder; the file's name is added
  size_t last_page;       // the size its last page must have; 0: any
  size_t zeros_up_to = 0; // read again with zeros after it, 4000 bytes more each time
};

#define TONE(seconds, silence)                                                                     \
  "sox -D -q -n -r 8000 -c 1 -b 16 in.wav synth " seconds " sine 440 vol 0.1 pad 0 " silence " &&" \
  " "
#define VORBIS(serial) "oggenc -Q -q 0 -s " serial " in.wav -o "
#define OPUS(kbps) "opusenc --quiet --serial 7 --hard-cbr --bitrate " kbps " in.wav "

TEST(OggLength, FromTheFirstStreamsLastPage) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tessaly-ogg-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // TagLib misses a last page whose "OggS" is cut by a 1 KiB border counted from the end: one of
  // 1021 to 1023 bytes, or more by whole KiB. Silence after a tone adds 2 bytes a packet to
  // Vorbis's last page. At a hard bitrate Opus's 20 ms packets have p bytes each, and a last page
  // of n packets 27 + n (p + p / 255 + 1).
  const OggFile rows[] = {
      {"split1.ogg", TONE("1.4", "2.328") VORBIS("7"), 1021},
      {"split2.ogg", TONE("1.5", "1.6") VORBIS("7"), 1022},
      {"split3.ogg", TONE("1.4", "2.36") VORBIS("7"), 1023},
      {"split1.opus", TONE("1.26", "0") OPUS("28"), 1021},     // n 14, p 70
      {"split2.opus", TONE("1.08", "0") OPUS("79.2"), 1022},   // n 5, p 198
      {"split3.opus", TONE("1.22", "0") OPUS("32.8"), 1023},   // n 12, p 82
      {"split2k.opus", TONE("1.06", "0") OPUS("201.2"), 2047}, // n 4, p 503
      {"whole1.ogg", TONE("1.5", "1.544") VORBIS("7"), 1020},
      {"whole2.ogg", TONE("1.4", "2.392") VORBIS("7"), 1025},
      {"whole.opus", TONE("1.24", "0") OPUS("28"), 950},
      // Zeros after the stream in steps shorter than its last page: each border between the
      // search's windows up to 320 KiB from the end cuts that page once.
      {"zeros.ogg", TONE("23.786", "0") VORBIS("7"), 4397, 320 * 1024},
      // Two streams one after the other: the first one's length.
      {"chained.ogg",
       TONE("3", "0") VORBIS("7") "a.ogg && " TONE("1", "0")
           VORBIS("8") "b.ogg && cat a.ogg b.ogg >",
       0},
      // FLAC as ffmpeg puts it in Ogg: its stream header counts no samples.
      {"flac.oga", TONE("2.5", "0") "ffmpeg -v error -i in.wav -c:a flac -bitexact -y ", 0},
  };
  auto check = [&](const OggFile& row) { // a failed ASSERT ends its row only
    std::string path = (dir / row.name).string();
    ASSERT_EQ(0, std::system(("cd '" + dir.string() + "' && " + row.make + row.name).c_str()));
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    OggPages pages = walk_pages(bytes);
    ASSERT_GT(pages.last_granule, 0);
    if (row.last_page) {
      ASSERT_EQ(row.last_page, pages.last_page);
    }
    // Opus counts at 48 kHz; the others at the 8 kHz they were made at.
    double exact = (pages.last_granule - pages.pre_skip) * 1000.0 / (pages.pre_skip ? 48000 : 8000);
    for (size_t zeros = 4000; zeros <= row.zeros_up_to; zeros += 4000) {
      std::ofstream(path, std::ios::app) << std::string(4000, '\0');
      PlaylistEntry entry;
      std::string reason;
      ASSERT_TRUE(read_file_tags(path, &entry, &reason)) << reason;
      EXPECT_EQ(std::llround(exact), std::llround(entry.length_seconds.value_or(0) * 1000))
          << zeros;
    }
    PlaylistEntry entry;
    std::string reason;
    ASSERT_TRUE(read_file_tags(path, &entry, &reason)) << reason;
    ASSERT_TRUE(entry.length_seconds.has_value());
    EXPECT_EQ(std::llround(exact), std::llround(*entry.length_seconds * 1000));
    // Where TagLib's length is right, so is its bitrate; else the bitrate is the audio's bytes
    // over the length, as TagLib derives it (FLAC's audio bytes are TagLib's own count).
    TagLib::FileRef theirs(path.c_str(), true, TagLib::AudioProperties::Average);
    const std::string& bitrate = entry.file_field(FileField::Bitrate);
    if (theirs.audioProperties()->lengthInMilliseconds() == std::llround(exact))
      EXPECT_EQ(std::to_string(theirs.audioProperties()->bitrate()), bitrate);
    else if (fs::path(path).extension() == ".oga")
      EXPECT_NE("", bitrate);
    else
      EXPECT_EQ(std::to_string(std::llround((bytes.size() - pages.header_bytes) * 8 / exact)),
                bitrate);
  };
  for (const OggFile& row : rows) {
    SCOPED_TRACE(row.name);
    check(row);
  }
  fs::remove_all(dir);
}
#undef TONE
#undef VORBIS
#undef OPUS

} // namespace
} // namespace tessaly
