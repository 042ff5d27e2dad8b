// The covers of a library's files as small thumbnails beside an export: the front cover embedded
// in a file's tags, else an image named cover, folder or front beside the file; each distinct
// picture written once, as a JPEG of at most 256 by 256 pixels named by its content's hash, in a
// folder beside the output ("music.html" gets "music.covers/"). Native builds only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace TagLib {
class File;
}

namespace tessaly {

// A cover needs neither more bytes nor more pixels than these; a picture past them is refused
// before it is decoded, so that one damaged or hostile file cannot hold more memory than the
// rest of an export.
constexpr size_t kMaxCoverBytes = size_t{16} << 20;
constexpr uint64_t kMaxCoverPixels = 40'000'000;
constexpr int kThumbnailSize = 256;

enum class PictureFound { Found, None, TooLarge };

// The picture in file's tags whose type is "front cover", else the first one, as stored: FLAC
// picture blocks, ID3v2 APIC frames (MP3, WAV, AIFF), MP4 "covr", Xiph METADATA_BLOCK_PICTURE
// (Vorbis, Opus, Speex, Ogg FLAC) and ASF WM/Picture. Never TooLarge: the tags are in memory.
PictureFound read_front_cover(TagLib::File* file, std::string* bytes);
// The same for the file at path, read through a stream that hands TagLib no more than a cover
// and the tags around it may take: TooLarge when the tags go past that.
PictureFound read_front_cover(const std::string& path, std::string* bytes);

// Of a folder's file names, the cover image's: "cover", "folder" or "front" (in that order of
// preference, any case) with the extension .jpg, .jpeg or .png (any case); empty when none.
std::string beside_cover_name(const std::vector<std::string>& names);
// The image name in folder, opened without following a link. Found only for a regular file that
// this user, root, or the owner of a folder no one else may write owns: a file someone else
// planted is None. TooLarge past kMaxCoverBytes, unread.
PictureFound read_beside_cover(const std::string& folder, const std::string& name,
                               std::string* bytes);

enum class CoverStatus {
  Cover,      // address names the thumbnail
  NoCover,    // no picture in the tags nor beside the file
  BadPicture, // damaged, not JPEG nor PNG, or past the limits: no cover, to be counted
  Unwritable, // the folder of thumbnails cannot be written: folder_error() says why
};

struct CoverResult {
  CoverStatus status = CoverStatus::NoCover;
  std::string address; // Cover: relative to the output's folder, %-encoded ("music.covers/H.jpg")
  std::string reason;  // BadPicture: why; Unwritable: the folder's error line
};

// The thumbnails of one export. Every call may come from any thread at once. A thumbnail already
// in the folder (an earlier export's) is kept and its picture not decoded; the folder is made on
// the first cover, never through a link or in a folder of another user; an image beside the files
// is looked for once per folder. Once a write fails, no other is tried.
class CoverThumbnails {
public:
  explicit CoverThumbnails(const std::string& output_path);
  ~CoverThumbnails();
  CoverThumbnails(const CoverThumbnails&) = delete;
  CoverThumbnails& operator=(const CoverThumbnails&) = delete;

  // The cover of the audio file at path. embedded, when given, gets the hash that names the
  // picture in the file's tags (a JPEG or PNG within the limits), else stays empty.
  CoverResult cover_of(const std::string& audio_path, std::string* embedded = nullptr);
  // The thumbnail named hash, when an earlier export made it (the folder is listed once, at the
  // first call): Cover, else NoCover. Reads no picture: what a re-export of an unchanged file
  // asks. Not for use from several threads at once.
  CoverResult made_thumbnail(const std::string& hash);
  // The image beside the audio file at path, for a file known to hold no picture of its own.
  CoverResult beside_cover(const std::string& audio_path);
  // The thumbnail of a picture's bytes.
  CoverResult thumbnail(const std::string& picture);

  // The folder of thumbnails (a path).
  const std::string& folder() const;
  // Empty, or the one line that tells why the folder cannot be written.
  std::string folder_error() const;
  // Thumbnails decoded and written by this object.
  size_t written() const;

private:
  struct State;
  std::unique_ptr<State> state_;
};

} // namespace tessaly
