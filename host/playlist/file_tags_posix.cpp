// File tags read with TagLib. A file is opened once: its type comes from the name's extension,
// else from its first bytes, and the tag, the properties and the length come from that one open.
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include "playlist/file_tags.h"
#include "playlist/ogg_length.h"
#include "playlist/read_only_file.h"

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

// The names of a tag's fields as TagLib's property maps and Xiph comments give them.
enum Slot {
  kTitle,
  kArtist,
  kAlbum,
  kGenre,
  kComment,
  kDescription,
  kAlbumArtist,
  kDate,
  kTrackNumber,
  kTrackTotal,
  kTotalTracks,
  kDiscNumber,
  kDiscTotal,
  kTotalDiscs,
  kSlots
};
constexpr const char* kSlotNames[kSlots] = {
    "TITLE", "ARTIST",      "ALBUM",      "GENRE",       "COMMENT",    "DESCRIPTION", "ALBUMARTIST",
    "DATE",  "TRACKNUMBER", "TRACKTOTAL", "TOTALTRACKS", "DISCNUMBER", "DISCTOTAL",   "TOTALDISCS"};

// The file's main tag as one map of upper-case names to values. A Xiph comment (FLAC, Ogg) is such
// a map already and is read where it lies; other tags are turned into one, into made.
const TagLib::SimplePropertyMap& tag_fields(TagLib::File* file, TagLib::PropertyMap* made) {
  const TagLib::Ogg::XiphComment* xiph = nullptr;
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
    xiph = flac->xiphComment(false);
  else
    xiph = dynamic_cast<const TagLib::Ogg::XiphComment*>(file->tag());
  if (xiph && !xiph->isEmpty())
    return xiph->fieldListMap();
  *made = file->properties();
  return *made;
}

// One walk over the tag's fields: looking each name up would upper-case it and search again.
struct TagValues {
  const TagLib::StringList* slots[kSlots] = {};

  explicit TagValues(const TagLib::SimplePropertyMap& fields) {
    for (const auto& [key, values] : fields) {
      if (values.isEmpty())
        continue;
      for (int slot = 0; slot < kSlots; ++slot) {
        if (key == kSlotNames[slot]) {
          slots[slot] = &values;
          break;
        }
      }
    }
  }

  const TagLib::StringList* values(Slot slot, Slot other) const {
    return slots[slot] ? slots[slot] : other != kSlots ? slots[other] : nullptr;
  }
  // Every value, joined as TagLib's own title() and artist() join them.
  std::string all(Slot slot, Slot other = kSlots) const {
    const TagLib::StringList* found = values(slot, other);
    if (!found)
      return {};
    return found->size() == 1 ? found->front().to8Bit(true) : found->toString().to8Bit(true);
  }
  std::string first(Slot slot, Slot other = kSlots) const {
    const TagLib::StringList* found = values(slot, other);
    return found ? found->front().to8Bit(true) : std::string();
  }
};

void set_if_known(std::string* field, std::string value) {
  if (!value.empty())
    *field = std::move(value);
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

// size: the file's length in bytes.
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
  AudioLength length{audio->lengthInMilliseconds(), audio->bitrate()};
  if (auto* ogg = dynamic_cast<TagLib::Ogg::File*>(file))
    length = ogg_length(ogg, *audio);
  PlaylistEntry read = *entry;
  if (length.milliseconds > 0)
    read.length_seconds = length.milliseconds / 1000.0;
  auto number = [](int value) { return value > 0 ? std::to_string(value) : std::string(); };
  read.set_file_field(FileField::Bitrate, number(length.bitrate));
  read.set_file_field(FileField::SampleRate, number(audio->sampleRate()));
  read.set_file_field(FileField::Channels, number(audio->channels()));
  read.set_file_field(FileField::Codec, codec_of(file));
  read.set_file_field(FileField::FileSize, std::to_string(size));
  TagLib::PropertyMap made;
  TagValues tag(tag_fields(file, &made));
  set_if_known(&read.title, tag.all(kTitle));
  set_if_known(&read.artist, tag.all(kArtist));
  set_if_known(&read.album, tag.all(kAlbum));
  set_field_if_known(&read, FileField::Genre, tag.all(kGenre));
  // A Xiph comment's DESCRIPTION is its comment, as TagLib's comment() reads it.
  set_field_if_known(&read, FileField::Comment, tag.all(kDescription, kComment));
  set_field_if_known(&read, FileField::AlbumArtist, tag.first(kAlbumArtist));
  set_field_if_known(&read, FileField::Date, tag.first(kDate));
  set_count(&read, FileField::TrackNumber, FileField::TotalTracks, tag.first(kTrackNumber),
            tag.first(kTrackTotal, kTotalTracks));
  set_count(&read, FileField::DiscNumber, FileField::TotalDiscs, tag.first(kDiscNumber),
            tag.first(kDiscTotal, kTotalDiscs));
  *entry = std::move(read);
  return true;
}

} // namespace

bool reads_file_tags() {
  return true;
}

bool read_file_tags(const std::string& path, PlaylistEntry* entry, std::string* reason) {
  ReadOnlyFile file(path);
  if (!file.isOpen()) {
    *reason = file.error();
    return false;
  }
  file.set_budget(kMaxTagBytes, kTagReserve);
  TagLib::FileRef ref(&file, true, TagLib::AudioProperties::Average);
  if (read_tags(ref.file(), static_cast<unsigned long long>(file.length()), entry, reason))
    return true;
  if (file.over_budget())
    *reason = "its tags are larger than " + std::to_string(kMaxTagBytes >> 20) + " MiB";
  return false;
}

bool read_tags_from_memory(std::string_view bytes, PlaylistEntry* entry, std::string* reason) {
  TagLib::ByteVectorStream stream(
      TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
  TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Average);
  return read_tags(ref.file(), bytes.size(), entry, reason);
}

} // namespace tessaly
