// Covers: where each kind of file keeps its picture, the image beside it, one thumbnail per
// distinct picture, and pictures that must give no cover without harm.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <unistd.h>
#include <vips/vips.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "library/covers.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

// A JPEG or PNG of one colour, made by libvips.
std::string picture(int width, int height, int shade, bool png = false) {
  VIPS_INIT("covers-test");
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<unsigned char>(i % 3 == 0 ? shade : i / 3 % width * 5);
  VipsImage* image = vips_image_new_from_memory_copy(pixels.data(), pixels.size(), width, height, 3,
                                                     VIPS_FORMAT_UCHAR);
  void* out = nullptr;
  size_t size = 0;
  if (png)
    vips_pngsave_buffer(image, &out, &size, nullptr);
  else
    vips_jpegsave_buffer(image, &out, &size, nullptr);
  g_object_unref(image);
  std::string bytes(static_cast<const char*>(out), size);
  g_free(out);
  return bytes;
}

std::string sha256(const std::string& bytes) {
  gchar* hex = g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string text = hex;
  g_free(hex);
  return text;
}

void put_u32(std::string* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    *out += static_cast<char>(value >> shift);
}

void png_chunk(std::string* out, const char* type, const std::string& data) {
  put_u32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  *out += body;
  put_u32(out, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// A whole, valid one-bit PNG of side by side pixels: a few hundred kilobytes that decode to far
// more than a cover may have.
std::string bomb_png(uint32_t side) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  put_u32(&header, side);
  put_u32(&header, side);
  header += std::string("\x01\x00\x00\x00\x00", 5); // 1 bit, grey
  png_chunk(&png, "IHDR", header);
  z_stream z{};
  deflateInit(&z, 9);
  std::string row((side + 7) / 8 + 1, '\0'); // a filter byte and the row
  std::string idat;
  std::vector<unsigned char> buffer(1 << 16);
  for (uint32_t y = 0; y <= side; ++y) {
    bool last = y == side;
    z.next_in = reinterpret_cast<Bytef*>(row.data());
    z.avail_in = last ? 0 : static_cast<uInt>(row.size());
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      idat.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  png_chunk(&png, "IDAT", idat);
  png_chunk(&png, "IEND", "");
  return png;
}

// Files TagLib can tag but not make: an MP4 with a movie header and nothing else.
std::string bare_mp4() {
  std::string mp4;
  put_u32(&mp4, 20);
  mp4 += "ftypM4A " + std::string(4, '\0') + "M4A ";
  put_u32(&mp4, 8 + 108);
  mp4 += "moov";
  put_u32(&mp4, 108);
  mp4 += "mvhd" + std::string(100, '\0');
  return mp4;
}

void put_le64(std::string* out, uint64_t value) {
  for (int i = 0; i < 8; ++i)
    *out += static_cast<char>(value >> (8 * i));
}

// An ASF header object holding the two objects TagLib needs: file and stream properties, zeros.
std::string bare_asf() {
  const std::string file_properties(
      "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
  const std::string stream_properties(
      "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
  std::string asf("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
  put_le64(&asf, 30 + 104 + 78);
  asf += std::string("\x02\0\0\0\x01\x02", 6);
  asf += file_properties;
  put_le64(&asf, 104);
  asf += std::string(104 - 24, '\0');
  asf += stream_properties;
  put_le64(&asf, 78);
  asf += std::string(78 - 24, '\0');
  return asf;
}

struct Picture {
  bool front;
  std::string bytes;
};

TagLib::ByteVector vector_of(const std::string& bytes) {
  return TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size()));
}

TagLib::FLAC::Picture* flac_picture(const Picture& p) {
  auto* made = new TagLib::FLAC::Picture;
  made->setType(p.front ? TagLib::FLAC::Picture::FrontCover : TagLib::FLAC::Picture::Artist);
  made->setMimeType("image/jpeg");
  made->setData(vector_of(p.bytes));
  return made;
}

void add_apic(TagLib::ID3v2::Tag* tag, const Picture& p) {
  auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
  frame->setType(p.front ? TagLib::ID3v2::AttachedPictureFrame::FrontCover
                         : TagLib::ID3v2::AttachedPictureFrame::BackCover);
  frame->setMimeType("image/jpeg");
  frame->setPicture(vector_of(p.bytes));
  tag->addFrame(frame);
}

// Writes pictures into the file's own kind of tag.
bool tag_pictures(const fs::path& path, const std::vector<Picture>& pictures) {
  std::string ext = path.extension().string();
  const char* name = path.c_str();
  if (ext == ".flac") {
    TagLib::FLAC::File file(name, false);
    for (const Picture& p : pictures)
      file.addPicture(flac_picture(p));
    return file.save();
  }
  if (ext == ".mp3") {
    TagLib::MPEG::File file(name, false);
    for (const Picture& p : pictures)
      add_apic(file.ID3v2Tag(true), p);
    return file.save(TagLib::MPEG::File::ID3v2);
  }
  if (ext == ".wav") {
    TagLib::RIFF::WAV::File file(name, false);
    for (const Picture& p : pictures)
      add_apic(file.ID3v2Tag(), p);
    return file.save();
  }
  if (ext == ".aiff") {
    TagLib::RIFF::AIFF::File file(name, false);
    for (const Picture& p : pictures)
      add_apic(file.tag(), p);
    return file.save();
  }
  if (ext == ".ogg" || ext == ".opus") {
    std::unique_ptr<TagLib::File> file;
    TagLib::Ogg::XiphComment* xiph;
    if (ext == ".ogg") {
      auto* vorbis = new TagLib::Ogg::Vorbis::File(name, false);
      file.reset(vorbis);
      xiph = vorbis->tag();
    } else {
      auto* opus = new TagLib::Ogg::Opus::File(name, false);
      file.reset(opus);
      xiph = opus->tag();
    }
    for (const Picture& p : pictures)
      xiph->addPicture(flac_picture(p));
    return file->save();
  }
  if (ext == ".m4a") {
    TagLib::MP4::File file(name, false);
    TagLib::MP4::CoverArtList art;
    for (const Picture& p : pictures)
      art.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, vector_of(p.bytes)));
    file.tag()->setItem("covr", art);
    return file.save();
  }
  if (ext == ".wma") {
    TagLib::ASF::File file(name, false);
    for (const Picture& p : pictures) {
      TagLib::ASF::Picture made;
      made.setType(p.front ? TagLib::ASF::Picture::FrontCover : TagLib::ASF::Picture::Artist);
      made.setMimeType("image/jpeg");
      made.setPicture(vector_of(p.bytes));
      file.tag()->addAttribute("WM/Picture", TagLib::ASF::Attribute(made));
    }
    return file.save();
  }
  return false;
}

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

class CoversTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    sources_ = fs::temp_directory_path() / ("covers-sources-" + std::to_string(::getpid()));
    fs::create_directories(sources_);
    std::string dir = sources_.string();
    std::string script = "cd '" + dir +
                         "' && sox -D -q -n -r 8000 -c 1 -b 16 t.wav synth 0.2 sine 440 vol 0.1"
                         " && sox -D -q t.wav t.aiff && flac -s -f t.wav -o t.flac"
                         " && lame --quiet t.wav t.mp3 && oggenc -Q -s 1 t.wav -o t.ogg"
                         " && opusenc --quiet --serial 1 t.wav t.opus";
    ASSERT_EQ(std::system(script.c_str()), 0) << script;
    write_bytes(sources_ / "t.m4a", bare_mp4());
    write_bytes(sources_ / "t.wma", bare_asf());
  }
  static void TearDownTestSuite() { fs::remove_all(sources_); }
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("covers-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A copy of the audio of kind ext in folder album, with pictures in its tags.
  fs::path audio(const std::string& album, const std::string& ext,
                 const std::vector<Picture>& pictures = {}) {
    fs::create_directories(dir_ / album);
    fs::path path = dir_ / album / ("track" + ext);
    fs::copy_file(sources_ / ("t" + ext), path, fs::copy_options::overwrite_existing);
    if (!pictures.empty()) {
      EXPECT_TRUE(tag_pictures(path, pictures)) << path;
    }
    return path;
  }

  static fs::path sources_;
  fs::path dir_;
};
fs::path CoversTest::sources_;

TEST_F(CoversTest, EachTagKindAndTheImageBesideGiveOneThumbnailPerPicture) {
  const std::string wide = picture(600, 300, 200);
  const std::string a = picture(64, 64, 10), b = picture(64, 64, 90), c = picture(40, 80, 150);
  const std::string png = picture(50, 50, 250, true);
  struct Row {
    const char* album;
    const char* ext;
    std::vector<Picture> tagged;
    std::vector<std::pair<const char*, const std::string*>> beside; // name, bytes
    const std::string* expected;                                    // null: no cover
  };
  std::vector<Row> rows = {
      {"flac", ".flac", {{false, a}, {true, wide}}, {}, &wide}, // the front cover, not the first
      {"mp3", ".mp3", {{false, a}, {true, b}}, {}, &b},
      {"wav", ".wav", {{false, c}, {false, a}}, {}, &c}, // no front cover: the first
      {"aiff", ".aiff", {{true, c}}, {}, &c},
      {"m4a", ".m4a", {{false, b}, {false, a}}, {}, &b},
      {"vorbis", ".ogg", {{false, a}, {true, c}}, {}, &c},
      {"opus", ".opus", {{true, png}}, {}, &png},
      {"wma", ".wma", {{false, b}, {true, a}}, {}, &a},
      {"tagged first", ".flac", {{false, b}}, {{"cover.jpg", &a}}, &b},
      {"beside", ".mp3", {}, {{"Folder.JPG", &c}}, &c},
      {"beside order",
       ".ogg",
       {},
       {{"front.jpg", &a}, {"cover.PNG", &png}, {"folder.jpeg", &b}},
       &png},
      {"not a cover name", ".flac", {}, {{"back.jpg", &a}, {"cover.gif", &a}}, nullptr},
      {"none", ".wav", {}, {}, nullptr},
      {"same as flac", ".opus", {{true, wide}}, {}, &wide}, // one thumbnail for both albums
  };
  std::vector<fs::path> files;
  for (const Row& row : rows) {
    files.push_back(audio(row.album, row.ext, row.tagged));
    for (const auto& [name, bytes] : row.beside)
      write_bytes(dir_ / row.album / name, *bytes);
  }
  // An output whose name must be %-encoded in the page.
  const std::string output = (dir_ / "my list & co.html").string();
  const std::string base = "my%20list%20%26%20co.covers/";
  for (int round = 0; round < 2; ++round) { // the second is a re-export: nothing decoded again
    CoverThumbnails thumbnails(output);
    for (size_t r = 0; r < rows.size(); ++r) {
      CoverResult result = thumbnails.cover_of(files[r].string());
      if (!rows[r].expected) {
        EXPECT_EQ(result.status, CoverStatus::NoCover) << rows[r].album;
        continue;
      }
      ASSERT_EQ(result.status, CoverStatus::Cover) << rows[r].album << ": " << result.reason;
      EXPECT_EQ(result.address, base + sha256(*rows[r].expected) + ".jpg") << rows[r].album;
    }
    EXPECT_EQ(thumbnails.written(), round == 0 ? 5u : 0u);
    EXPECT_EQ(thumbnails.folder_error(), "");
  }
  // At most 256 a side, the shape kept; a small picture is not enlarged.
  std::vector<std::pair<const std::string*, std::pair<int, int>>> sizes = {
      {&wide, {256, 128}}, {&c, {40, 80}}, {&png, {50, 50}}};
  for (const auto& [bytes, size] : sizes) {
    fs::path thumb = dir_ / "my list & co.covers" / (sha256(*bytes) + ".jpg");
    VipsImage* image = vips_image_new_from_file(thumb.c_str(), nullptr);
    ASSERT_NE(image, nullptr) << thumb;
    EXPECT_EQ(vips_image_get_width(image), size.first) << thumb;
    EXPECT_EQ(vips_image_get_height(image), size.second) << thumb;
    g_object_unref(image);
  }
}

TEST_F(CoversTest, BadPicturesGiveNoCoverAndAreCounted) {
  const std::string good = picture(64, 64, 120);
  const std::string detailed = picture(400, 300, 70); // cut short in its pixels, not its header
  std::string padded = good + std::string(kMaxCoverBytes - good.size() + 1, '\0'); // past EOI
  std::string huge = good + std::string(kMaxCoverBytes * 2 - good.size(), '\0');
  struct Row {
    const char* album;
    const char* ext;
    std::string tagged;                         // in the tags, when not empty
    std::pair<const char*, std::string> beside; // else beside the file
    const char* reason;                         // a part of the reason given
  };
  std::vector<Row> rows = {
      {"damaged", ".flac", detailed.substr(0, detailed.size() * 2 / 3), {}, "damaged"},
      {"text", ".mp3", {}, {"cover.jpg", "not a picture at all\n"}, "not a JPEG nor a PNG"},
      {"bomb", ".ogg", {}, {"cover.png", bomb_png(30000)}, "30000x30000 pixels"},
      {"big in tags", ".mp3", padded, {}, "bytes, more than"},
      {"huge in tags", ".mp3", huge, {}, "in the tags larger"},
      {"big beside", ".wav", {}, {"folder.jpg", padded}, "larger than a cover"},
  };
  std::vector<fs::path> files;
  for (const Row& row : rows) {
    files.push_back(audio(row.album, row.ext,
                          row.tagged.empty() ? std::vector<Picture>{}
                                             : std::vector<Picture>{{true, row.tagged}}));
    if (row.beside.first)
      write_bytes(dir_ / row.album / row.beside.first, row.beside.second);
  }
  CoverThumbnails thumbnails((dir_ / "out.html").string());
  size_t bad = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    CoverResult result = thumbnails.cover_of(files[r].string());
    bad += result.status == CoverStatus::BadPicture;
    EXPECT_EQ(result.status, CoverStatus::BadPicture) << rows[r].album;
    EXPECT_NE(result.reason.find(rows[r].reason), std::string::npos)
        << rows[r].album << ": " << result.reason;
    EXPECT_EQ(result.address, "") << rows[r].album;
  }
  EXPECT_EQ(bad, rows.size());
  EXPECT_EQ(thumbnails.written(), 0u);
}

// A name someone else may have planted is never followed: the image beside a file, the folder
// of thumbnails. Root can make another user's files, so rows that need one run as root only.
TEST_F(CoversTest, PlantedNamesAreNotFollowed) {
  const std::string a = picture(64, 64, 30);
  fs::create_directories(dir_ / "elsewhere");
  write_bytes(dir_ / "elsewhere" / "real.jpg", a);
  const bool root = ::geteuid() == 0;

  // The image beside a file: a link, or another user's file in a folder everyone may write.
  fs::path linked = audio("linked", ".flac");
  fs::create_symlink(dir_ / "elsewhere" / "real.jpg", dir_ / "linked" / "cover.jpg");
  fs::path shared = audio("shared", ".flac");
  write_bytes(dir_ / "shared" / "cover.jpg", a);
  if (root) {
    ASSERT_EQ(::chmod((dir_ / "shared").c_str(), 01777), 0);
    ASSERT_EQ(::chown((dir_ / "shared" / "cover.jpg").c_str(), 65534, 65534), 0);
  }
  CoverThumbnails thumbnails((dir_ / "list.html").string());
  EXPECT_EQ(thumbnails.cover_of(linked.string()).status, CoverStatus::NoCover);
  if (root) {
    EXPECT_EQ(thumbnails.cover_of(shared.string()).status, CoverStatus::NoCover);
  }

  // The folder of thumbnails: a link to a folder, a file, another user's folder. Each gives
  // the one line, every time, and nothing is written there.
  struct Row {
    const char* output;
    std::function<void(const fs::path&)> plant;
    const char* reason;
  };
  std::vector<Row> rows = {
      {"link", [&](const fs::path& at) { fs::create_directory_symlink(dir_ / "elsewhere", at); },
       "not a folder"},
      {"file", [&](const fs::path& at) { write_bytes(at, "x"); }, "not a folder"},
  };
  if (root) {
    rows.push_back({"theirs",
                    [&](const fs::path& at) {
                      fs::create_directory(at);
                      ASSERT_EQ(::chown(at.c_str(), 65534, 65534), 0);
                    },
                    "a folder of another user"});
  }
  fs::path tagged = audio("tagged", ".mp3", {{true, a}});
  for (const Row& row : rows) {
    fs::path folder = dir_ / (std::string(row.output) + ".covers");
    row.plant(folder);
    CoverThumbnails planted((dir_ / (std::string(row.output) + ".html")).string());
    for (int call = 0; call < 2; ++call) {
      CoverResult result = planted.cover_of(tagged.string());
      EXPECT_EQ(result.status, CoverStatus::Unwritable) << row.output;
      EXPECT_EQ(result.reason, planted.folder_error()) << row.output;
    }
    EXPECT_NE(planted.folder_error().find(row.reason), std::string::npos)
        << row.output << ": " << planted.folder_error();
    EXPECT_EQ(planted.written(), 0u) << row.output;
  }
  EXPECT_EQ(fs::directory_iterator(dir_ / "elsewhere")->path().filename(), "real.jpg");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "elsewhere"), fs::directory_iterator()), 1);
}

// Threads asking for the same pictures at once get what one thread gets, each written once.
TEST_F(CoversTest, ThreadsShareTheThumbnails) {
  const std::string a = picture(300, 200, 60), b = picture(200, 300, 180);
  std::vector<fs::path> files;
  for (int i = 0; i < 8; ++i)
    files.push_back(
        audio("album " + std::to_string(i), i % 2 ? ".flac" : ".mp3", {{true, i % 3 ? a : b}}));
  CoverThumbnails thumbnails((dir_ / "list.html").string());
  std::vector<std::vector<CoverResult>> seen(4);
  std::vector<std::thread> threads;
  for (auto& results : seen) {
    threads.emplace_back([&] {
      for (const fs::path& file : files)
        results.push_back(thumbnails.cover_of(file.string()));
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (const auto& results : seen) {
    for (size_t i = 0; i < files.size(); ++i) {
      EXPECT_EQ(results[i].status, CoverStatus::Cover);
      EXPECT_EQ(results[i].address, "list.covers/" + sha256(i % 3 ? a : b) + ".jpg");
    }
  }
  EXPECT_EQ(thumbnails.written(), 2u);
}

} // namespace
} // namespace tessaly
