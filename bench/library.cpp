// The folder-export benchmark's two halves that are not tessaly itself:
//   vorlane_library make DIR N TEMPLATE   N copies of the audio file TEMPLATE in DIR, ten to an
//                                         album folder, each tagged with its own title, artist,
//                                         album and track number
//   vorlane_library retag DIR STEP MARK   every STEP-th file of the album folders made above gets
//                                         the title "Track I MARK", saved with TagLib: a tag
//                                         editor's change to one file in STEP
//   vorlane_library floor DIR [ROUNDS] [STREAM]
//                                         the floor of reading them: every file below DIR opened
//                                         with TagLib, its tag and audio properties read; prints
//                                         the fastest round's processor seconds (the list of
//                                         files is made before the clock starts). STREAM is
//                                         "taglib" (TagLib's own file stream, the default) or
//                                         "host" (the stream tessaly reads files through)
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "playlist/read_only_file.h"

namespace fs = std::filesystem;

namespace {

int make(const fs::path& dir, long n, const fs::path& template_file) {
  std::string extension = template_file.extension().string();
  for (long i = 0; i < n; ++i) {
    long album = i / 10;
    fs::path folder =
        dir / ("artist " + std::to_string(album % 97)) / ("album " + std::to_string(album));
    fs::create_directories(folder);
    char name[32];
    std::snprintf(name, sizeof name, "%02ld track%s", i % 10 + 1, extension.c_str());
    fs::path file = folder / name;
    fs::copy_file(template_file, file, fs::copy_options::overwrite_existing);
    TagLib::FileRef ref(file.c_str(), false);
    if (ref.isNull()) {
      std::fprintf(stderr, "vorlane_library: %s: not an audio file\n", file.c_str());
      return 1;
    }
    TagLib::Tag* tag = ref.tag();
    tag->setTitle("Track " + TagLib::String::number(static_cast<int>(i)));
    tag->setArtist("Artist " + TagLib::String::number(static_cast<int>(album % 97)));
    tag->setAlbum("Album " + TagLib::String::number(static_cast<int>(album)));
    tag->setTrack(static_cast<unsigned>(i % 10 + 1));
    if (!ref.save()) {
      std::fprintf(stderr, "vorlane_library: %s: cannot save its tags\n", file.c_str());
      return 1;
    }
  }
  return 0;
}

int retag(const fs::path& dir, long step, const std::string& mark) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file())
      files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  for (size_t i = 0; i < files.size(); i += static_cast<size_t>(step)) {
    TagLib::FileRef ref(files[i].c_str(), false);
    if (ref.isNull())
      continue;
    ref.tag()->setTitle(ref.tag()->title() + " " + mark);
    if (!ref.save()) {
      std::fprintf(stderr, "vorlane_library: %s: cannot save its tags\n", files[i].c_str());
      return 1;
    }
  }
  return 0;
}

int floor_of(const fs::path& dir, int rounds, bool host_stream) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file())
      files.push_back(entry.path().string());
  }
  double best = 1e30;
  unsigned long long sink = 0;
  for (int round = 0; round < rounds; ++round) {
    // Processor time, as the export's: the machine is shared, and wall time counts the others.
    std::clock_t start = std::clock();
    for (const std::string& file : files) {
      std::unique_ptr<tessaly::ReadOnlyFile> stream;
      if (host_stream)
        stream = std::make_unique<tessaly::ReadOnlyFile>(file);
      TagLib::FileRef ref =
          stream ? TagLib::FileRef(stream.get(), true, TagLib::AudioProperties::Average)
                 : TagLib::FileRef(file.c_str(), true, TagLib::AudioProperties::Average);
      if (ref.isNull())
        continue;
      sink += ref.tag()->title().size() + ref.tag()->artist().size() + ref.tag()->album().size();
      sink += static_cast<unsigned long long>(ref.audioProperties()->lengthInMilliseconds());
    }
    best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  std::printf("{\"files\": %zu, \"seconds\": %.6f, \"sink\": %llu}\n", files.size(), best, sink);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc == 5)
    return make(argv[2], std::atol(argv[3]), argv[4]);
  if (command == "retag" && argc == 5 && std::atol(argv[3]) > 0)
    return retag(argv[2], std::atol(argv[3]), argv[4]);
  std::string stream = argc == 5 ? argv[4] : "taglib";
  if (command == "floor" && argc >= 3 && argc <= 5 && (stream == "taglib" || stream == "host"))
    return floor_of(argv[2], argc >= 4 ? std::atoi(argv[3]) : 3, stream == "host");
  std::fprintf(stderr, "usage: vorlane_library make DIR N TEMPLATE | retag DIR STEP MARK |\n"
                       "       floor DIR [ROUNDS] [taglib|host]\n");
  return 2;
}
