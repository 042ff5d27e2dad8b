// File tags read with TagLib. A file is opened once: its type comes from the name's extension,
// else from its first bytes, and the tag, the properties and the length come from that one open.
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include <cerrno>
#include <cstring>

#include "playlist/file_tags.h"

namespace tessaly {
namespace {

const char* codec_of(TagLib::File* file) {
  if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
    const TagLib::MP4::Properties* properties = mp4->audioProperties();
    if (properties && properties->codec() == TagLib::MP4::Properties::ALAC)
      return "ALAC";
    return "AAC";
  }
  if (dynamic_cast<TagLib::FLAC::File*>(file) || dynamic_cast<TagLib::Ogg::FLAC::File*>(file))
    return "FLAC";
  if (dynamic_cast<TagLib::MPEG::File*>(file))
    return "MP3";
  if (dynamic_cast<TagLib::Ogg::Vorbis::File*>(file))
    return "Vorbis";
  if (dynamic_cast<TagLib::Ogg::Opus::File*>(file))
    return "Opus";
  if (dynamic_cast<TagLib::Ogg::Speex::File*>(file))
    return "Speex";
  if (dynamic_cast<TagLib::RIFF::WAV::File*>(file))
    return "WAV";
  if (dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
    return "AIFF";
  if (dynamic_cast<TagLib::ASF::File*>(file))
    return "WMA";
  if (dynamic_cast<TagLib::APE::File*>(file))
    return "Monkey's Audio";
  if (dynamic_cast<TagLib::WavPack::File*>(file))
    return "WavPack";
  if (dynamic_cast<TagLib::MPC::File*>(file))
    return "Musepack";
  if (dynamic_cast<TagLib::TrueAudio::File*>(file))
    return "TTA";
  return "";
}

std::string first_value(const TagLib::PropertyMap& properties, const char* key) {
  auto found = properties.find(key);
  if (found == properties.end() || found->second.isEmpty())
    return {};
  return found->second.front().to8Bit(true);
}

// "3/12" as number and total; a total tagged on its own is kept when the number has none.
void split_count(const std::string& tagged, const std::string& total_tagged, std::string* number,
                 std::string* total) {
  size_t slash = tagged.find('/');
  std::string own_total = slash == std::string::npos ? std::string() : tagged.substr(slash + 1);
  std::string own_number = tagged.substr(0, slash);
  if (!own_number.empty())
    *number = own_number;
  if (!own_total.empty())
    *total = own_total;
  else if (!total_tagged.empty())
    *total = total_tagged;
}

void set_if_known(std::string* field, const TagLib::String& value) {
  if (!value.isEmpty())
    *field = value.to8Bit(true);
}

void set_if_known(std::string* field, std::string value) {
  if (!value.empty())
    *field = std::move(value);
}

bool read_file(TagLib::File* file, PlaylistEntry* entry, std::string* reason) {
  if (!file || !file->isValid()) {
    *reason = "not an audio file that can be read";
    return false;
  }
  TagLib::AudioProperties* audio = file->audioProperties();
  if (!audio) {
    *reason = "no audio properties";
    return false;
  }
  // TagLib takes any file named .mp3 for MPEG and finds no frame in it: no audio at all.
  if (audio->lengthInMilliseconds() <= 0 && audio->sampleRate() <= 0) {
    *reason = "no audio found in it";
    return false;
  }
  PlaylistEntry read = *entry;
  if (int ms = audio->lengthInMilliseconds(); ms > 0)
    read.length_seconds = ms / 1000.0;
  auto number = [](int value) { return value > 0 ? std::to_string(value) : std::string(); };
  read.bitrate = number(audio->bitrate());
  read.sample_rate = number(audio->sampleRate());
  read.channels = number(audio->channels());
  read.codec = codec_of(file);
  read.file_size = std::to_string(file->length());
  if (const TagLib::Tag* tag = file->tag()) {
    set_if_known(&read.title, tag->title());
    set_if_known(&read.artist, tag->artist());
    set_if_known(&read.album, tag->album());
    set_if_known(&read.genre, tag->genre());
    set_if_known(&read.comment, tag->comment());
  }
  TagLib::PropertyMap properties = file->properties();
  set_if_known(&read.album_artist, first_value(properties, "ALBUMARTIST"));
  set_if_known(&read.date, first_value(properties, "DATE"));
  std::string total_tracks = first_value(properties, "TRACKTOTAL");
  if (total_tracks.empty())
    total_tracks = first_value(properties, "TOTALTRACKS");
  split_count(first_value(properties, "TRACKNUMBER"), total_tracks, &read.track_number,
              &read.total_tracks);
  std::string total_discs = first_value(properties, "DISCTOTAL");
  if (total_discs.empty())
    total_discs = first_value(properties, "TOTALDISCS");
  split_count(first_value(properties, "DISCNUMBER"), total_discs, &read.disc_number,
              &read.total_discs);
  *entry = std::move(read);
  return true;
}

} // namespace

bool reads_file_tags() {
  return true;
}

bool read_file_tags(const std::string& path, PlaylistEntry* entry, std::string* reason) {
  TagLib::FileRef ref(path.c_str(), true, TagLib::AudioProperties::Average);
  if (read_file(ref.file(), entry, reason))
    return true;
  // Only a failure pays for finding out why: a missing or unreadable file says so.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
    *reason = std::strerror(errno);
  else if (S_ISDIR(info.st_mode))
    *reason = "is a folder";
  else if (info.st_size == 0)
    *reason = "empty file";
  else if (::access(path.c_str(), R_OK) != 0)
    *reason = std::strerror(errno);
  return false;
}

bool read_tags_from_memory(std::string_view bytes, PlaylistEntry* entry, std::string* reason) {
  TagLib::ByteVectorStream stream(
      TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
  TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Average);
  return read_file(ref.file(), entry, reason);
}

} // namespace tessaly
