// Where a file's cover comes from: its tags, read with TagLib, else an image beside it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "library/covers.h"
#include "playlist/file_tags.h"
#include "playlist/read_only_file.h"

namespace tessaly {
namespace {

static_assert(kMaxTagBytes >= kMaxCoverBytes / 3 * 4 + 4, "a cover's base64 must fit");

// Chooses among pictures offered in the tag's order: the first front cover, else the first.
// TagLib's byte vectors share their bytes: keeping one copies nothing.
class CoverChoice {
public:
  // False once a front cover is chosen: no later picture can be better.
  bool offer(bool front, const TagLib::ByteVector& data) {
    if (!data.isEmpty() && (!found_ || front)) {
      chosen_ = data;
      found_ = true;
      front_ = front;
    }
    return !front_;
  }
  PictureFound take(std::string* bytes) const {
    if (!found_)
      return PictureFound::None;
    bytes->assign(chosen_.data(), chosen_.size());
    return PictureFound::Found;
  }

private:
  TagLib::ByteVector chosen_;
  bool found_ = false;
  bool front_ = false;
};

PictureFound from_pictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures,
                           std::string* bytes) {
  CoverChoice choice;
  for (const TagLib::FLAC::Picture* picture : pictures) {
    if (!choice.offer(picture->type() == TagLib::FLAC::Picture::FrontCover, picture->data()))
      break;
  }
  return choice.take(bytes);
}

PictureFound from_id3v2(const TagLib::ID3v2::Tag* tag, std::string* bytes) {
  if (!tag)
    return PictureFound::None;
  CoverChoice choice;
  for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
    auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
    if (!apic)
      continue;
    if (!choice.offer(apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover,
                      apic->picture()))
      break;
  }
  return choice.take(bytes);
}

} // namespace

PictureFound read_front_cover(TagLib::File* file, std::string* bytes) {
  if (!file || !file->isValid())
    return PictureFound::None;
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
    return from_pictures(flac->pictureList(), bytes);
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
    return from_id3v2(mpeg->ID3v2Tag(false), bytes);
  if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
    return from_id3v2(wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr, bytes);
  if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
    return from_id3v2(aiff->hasID3v2Tag() ? aiff->tag() : nullptr, bytes);
  if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
    // MP4 pictures carry no type: the first is the cover.
    TagLib::MP4::Tag* tag = mp4->tag();
    if (!tag || !tag->contains("covr"))
      return PictureFound::None;
    TagLib::MP4::CoverArtList art = tag->item("covr").toCoverArtList();
    CoverChoice choice;
    for (const TagLib::MP4::CoverArt& picture : art)
      choice.offer(false, picture.data());
    return choice.take(bytes);
  }
  if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
    TagLib::ASF::Tag* tag = asf->tag();
    if (!tag)
      return PictureFound::None;
    CoverChoice choice;
    for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
      TagLib::ASF::Picture picture = attribute.toPicture();
      if (!picture.isValid())
        continue;
      if (!choice.offer(picture.type() == TagLib::ASF::Picture::FrontCover, picture.picture()))
        break;
    }
    return choice.take(bytes);
  }
  if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag()))
    return from_pictures(xiph->pictureList(), bytes);
  return PictureFound::None;
}

PictureFound read_front_cover(const std::string& path, std::string* bytes) {
  ReadOnlyFile stream(path);
  if (!stream.isOpen())
    return PictureFound::None;
  stream.set_budget(kMaxTagBytes, kTagReserve);
  TagLib::FileRef ref(&stream, false);
  PictureFound found = read_front_cover(ref.file(), bytes);
  if (found == PictureFound::None && stream.over_budget())
    return PictureFound::TooLarge;
  return found;
}

std::string beside_cover_name(const std::vector<std::string>& names) {
  static const char* const kStems[] = {"cover", "folder", "front"};
  static const char* const kExtensions[] = {"jpg", "jpeg", "png"};
  std::string best;
  int best_rank = 1 << 30;
  for (const std::string& name : names) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
      continue;
    for (int s = 0; s < 3; ++s) {
      if (dot != std::strlen(kStems[s]) || ::strncasecmp(name.c_str(), kStems[s], dot) != 0)
        continue;
      for (int e = 0; e < 3; ++e) {
        if (::strcasecmp(name.c_str() + dot + 1, kExtensions[e]) != 0)
          continue;
        // Names that rank alike ("Cover.jpg", "cover.JPG") are taken in byte order, whatever
        // order the folder lists them in.
        int rank = s * 3 + e;
        if (rank < best_rank || (rank == best_rank && name < best)) {
          best_rank = rank;
          best = name;
        }
      }
    }
  }
  return best;
}

PictureFound read_beside_cover(const std::string& folder, const std::string& name,
                               std::string* bytes) {
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0)
    return PictureFound::None;
  struct stat dir_info;
  int fd = -1;
  if (::fstat(dir, &dir_info) == 0)
    fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  ::close(dir);
  if (fd < 0)
    return PictureFound::None;
  PictureFound found = PictureFound::None;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    // Another user's file counts only in a folder of theirs that no one else may write: there
    // it is theirs to choose, and no one can have planted it.
    bool others_write = (dir_info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    bool trusted = info.st_uid == ::geteuid() || info.st_uid == 0 ||
                   (info.st_uid == dir_info.st_uid && !others_write);
    if (!trusted) {
      found = PictureFound::None;
    } else if (static_cast<uint64_t>(info.st_size) > kMaxCoverBytes) {
      found = PictureFound::TooLarge;
    } else {
      bytes->assign(static_cast<size_t>(info.st_size), '\0');
      size_t done = 0;
      while (done < bytes->size()) {
        ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR)
          continue;
        if (n <= 0)
          break;
        done += static_cast<size_t>(n);
      }
      bytes->resize(done);
      found = done > 0 ? PictureFound::Found : PictureFound::None;
    }
  }
  ::close(fd);
  return found;
}

} // namespace tessaly
