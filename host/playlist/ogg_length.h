// An Ogg file's length from the granule position of its first logical stream's last page, found
// with libogg's page sync. TagLib searches backwards for the last page's capture pattern in 1 KiB
// blocks and misses one split across two blocks: it then takes an earlier page, or none, for the
// last, and reports a length short by that page (and a bitrate derived from it). Ogg FLAC files
// whose stream header counts no samples, as ffmpeg writes them, get no length from TagLib at all.
#pragma once

namespace TagLib {
class AudioProperties;
namespace Ogg {
class File;
}
} // namespace TagLib

namespace tessaly {

struct AudioLength {
  int milliseconds = 0;
  int bitrate = 0; // kbit/s
};

// TagLib's length and bitrate of file, where its last page tells another length: that length,
// rounded to the millisecond as TagLib rounds, and the bitrate TagLib derives from it.
AudioLength ogg_length(TagLib::Ogg::File* file, const TagLib::AudioProperties& audio);

} // namespace tessaly
