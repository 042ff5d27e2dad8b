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

// The first value of the first key that has one.
std::string first_value(const TagLib::PropertyMap& properties, const char* key,
                        const char* other_key = nullptr) {
  for (const char* name : {key, other_key}) {
    if (!name)
      continue;
    auto found = properties.find(name);
    if (found != properties.end() && !found->second.isEmpty())
      return found->second.front().to8Bit(true);
  }
  return {};
}

void set_if_known(std::string* field, const TagLib::String& value) {
  if (!value.isEmpty())
    *field = value.to8Bit(true);
}

void set_field_if_known(PlaylistEntry* entry, FileField field, std::string value) {
  if (!value.empty())
    entry->set_file_field(field, std::move(value));
}

// "3/12" as number and total; a total tagged on its own counts when the number has none.
void set_count(PlaylistEntry* entry, FileField number_field, FileField total_field,
               const std::string& tagged, const std::string& total_tagged) {
  size_t slash = tagged.find('/');
  set_field_if_known(entry, number_field, tagged.substr(0, slash));
  set_field_if_known(entry, total_field,
                     slash != std::string::npos ? tagged.substr(slash + 1) : total_tagged);
}

// size: the file's, known already (TagLib would seek to its end to find it).
bool read_tags(TagLib::File* file, unsigned long long size, PlaylistEntry* entry,
               std::string* reason) {
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
  read.set_file_field(FileField::Bitrate, number(audio->bitrate()));
  read.set_file_field(FileField::SampleRate, number(audio->sampleRate()));
  read.set_file_field(FileField::Channels, number(audio->channels()));
  read.set_file_field(FileField::Codec, codec_of(file));
  read.set_file_field(FileField::FileSize, std::to_string(size));
  if (const TagLib::Tag* tag = file->tag()) {
    set_if_known(&read.title, tag->title());
    set_if_known(&read.artist, tag->artist());
    set_if_known(&read.album, tag->album());
    set_field_if_known(&read, FileField::Genre, tag->genre().to8Bit(true));
    set_field_if_known(&read, FileField::Comment, tag->comment().to8Bit(true));
  }
  TagLib::PropertyMap properties = file->properties();
  set_field_if_known(&read, FileField::AlbumArtist, first_value(properties, "ALBUMARTIST"));
  set_field_if_known(&read, FileField::Date, first_value(properties, "DATE"));
  set_count(&read, FileField::TrackNumber, FileField::TotalTracks,
            first_value(properties, "TRACKNUMBER"),
            first_value(properties, "TRACKTOTAL", "TOTALTRACKS"));
  set_count(&read, FileField::DiscNumber, FileField::TotalDiscs,
            first_value(properties, "DISCNUMBER"),
            first_value(properties, "DISCTOTAL", "TOTALDISCS"));
  *entry = std::move(read);
  return true;
}

} // namespace

bool reads_file_tags() {
  return true;
}

bool read_file_tags(const std::string& path, PlaylistEntry* entry, std::string* reason) {
  // A missing file is told from its status alone: TagLib would try each way of opening it.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    *reason = "is a folder";
    return false;
  }
  TagLib::FileRef ref(path.c_str(), true, TagLib::AudioProperties::Average);
  if (read_tags(ref.file(), static_cast<unsigned long long>(info.st_size), entry, reason))
    return true;
  // Only a failure pays for finding out why.
  if (info.st_size == 0)
    *reason = "empty file";
  else if (::access(path.c_str(), R_OK) != 0)
    *reason = std::strerror(errno);
  return false;
}

bool read_tags_from_memory(std::string_view bytes, PlaylistEntry* entry, std::string* reason) {
  TagLib::ByteVectorStream stream(
      TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
  TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Average);
  return read_tags(ref.file(), bytes.size(), entry, reason);
}

} // namespace tessaly
