// The covers benchmark's two halves:
//   vorlane_covers make DIR N TEMPLATE   N copies of the FLAC file TEMPLATE in DIR/audio, each
//                                        with its own 1000x1000 JPEG front cover embedded; the
//                                        same JPEGs in DIR/jpeg, for a thumbnailer of files
//   vorlane_covers thumbnails DIR OUT    the covers of every file in DIR/audio made into the
//                                        thumbnails of the export OUT, on this thread; prints
//                                        {"files": N, "written": N, "seconds": S}, S the
//                                        processor seconds (the list is made before the clock)
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <vips/vips.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/covers.h"

namespace fs = std::filesystem;

namespace {

// A picture with detail everywhere, as a photograph has, different for every seed: a JPEG of
// one colour would cost the decoder nothing.
std::string photo(int seed) {
  const int side = 1000;
  std::vector<unsigned char> pixels(static_cast<size_t>(side) * side * 3);
  unsigned state = 2654435761u * static_cast<unsigned>(seed + 1);
  for (size_t i = 0; i < pixels.size(); ++i) {
    state = state * 1103515245u + 12345u; // fixed: the same pictures on every run
    size_t x = (i / 3) % side, y = i / 3 / side;
    pixels[i] = static_cast<unsigned char>((x * (seed % 7 + 1) + y * 3 + (state >> 28)) & 0xFF);
  }
  VipsImage* image = vips_image_new_from_memory_copy(pixels.data(), pixels.size(), side, side, 3,
                                                     VIPS_FORMAT_UCHAR);
  void* out = nullptr;
  size_t size = 0;
  vips_jpegsave_buffer(image, &out, &size, "Q", 90, nullptr);
  g_object_unref(image);
  std::string bytes(static_cast<const char*>(out), size);
  g_free(out);
  return bytes;
}

int make(const fs::path& dir, long n, const fs::path& template_file) {
  fs::create_directories(dir / "audio");
  fs::create_directories(dir / "jpeg");
  for (long i = 0; i < n; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%05ld", i);
    std::string jpeg = photo(static_cast<int>(i));
    std::ofstream(dir / "jpeg" / (std::string(name) + ".jpg"), std::ios::binary)
        .write(jpeg.data(), static_cast<long>(jpeg.size()));
    fs::path file = dir / "audio" / (std::string(name) + ".flac");
    fs::copy_file(template_file, file, fs::copy_options::overwrite_existing);
    TagLib::FLAC::File flac(file.c_str(), false);
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType("image/jpeg");
    picture->setData(TagLib::ByteVector(jpeg.data(), static_cast<unsigned>(jpeg.size())));
    flac.addPicture(picture);
    if (!flac.save()) {
      std::fprintf(stderr, "vorlane_covers: %s: cannot save its tags\n", file.c_str());
      return 1;
    }
  }
  return 0;
}

double cpu_seconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int thumbnails(const fs::path& dir, const std::string& output) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(dir / "audio"))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  tessaly::CoverThumbnails covers(output);
  double start = cpu_seconds();
  size_t failed = 0;
  for (const std::string& file : files)
    failed += covers.cover_of(file).status != tessaly::CoverStatus::Cover;
  double seconds = cpu_seconds() - start;
  if (failed) {
    std::fprintf(stderr, "vorlane_covers: %zu files without a cover: %s\n", failed,
                 covers.folder_error().c_str());
    return 1;
  }
  std::printf("{\"files\": %zu, \"written\": %zu, \"seconds\": %.3f}\n", files.size(),
              covers.written(), seconds);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (VIPS_INIT(argv[0]) != 0)
    return 1;
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc == 5)
    return make(argv[2], std::atol(argv[3]), argv[4]);
  if (command == "thumbnails" && argc == 4)
    return thumbnails(argv[2], argv[3]);
  std::fprintf(stderr, "usage: vorlane_covers make DIR N TEMPLATE | thumbnails DIR OUT\n");
  return 2;
}
