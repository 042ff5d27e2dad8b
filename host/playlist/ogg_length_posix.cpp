#include <ogg/ogg.h>
#include <taglib/audioproperties.h>
#include <taglib/oggfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/oggpageheader.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "playlist/ogg_length.h"

namespace tessaly {
namespace {

// 27 header bytes, 255 lacing values and 255 segments of 255 bytes.
constexpr long kMaxOggPage = 27 + 255 + 255 * 255;
// The search starts with the last 4 KiB, which hold the last page of most files: every page in a
// window has its checksum computed, and a small window keeps the search cheap beside TagLib's own
// reading. A window without the page is followed by one four times as large, up to 1 MiB, that
// ends a whole page after its start (or at the file's end) so that a page across their border is
// seen whole: a file of garbage is read about once.
constexpr long kOggFirstWindow = 4 * 1024;
constexpr long kOggLargestWindow = 1024 * 1024;
// libogg takes every "OggS" for a page and computes the checksum of as many bytes as its header
// claims: data made of nothing else would cost a whole page's checksum every 4 bytes. The search
// gives up (TagLib's length stands) after skipping this many times over data that is no page,
// about 1 MiB of random bytes, at most a quarter of a second of checksums.
constexpr long kOggMostSkips = 4096;

// The granule position of the last page with serial and a granule position, each page's checksum
// verified; -1 when there is none.
long long last_granule(TagLib::Ogg::File* file, unsigned serial) {
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  long long found = -1;
  long skips = 0;
  const long size = file->length();
  long stop = size;
  long window = kOggFirstWindow;
  while (found < 0 && stop > 0) {
    long start = stop > window ? stop - window : 0;
    file->seek(start);
    TagLib::ByteVector bytes = file->readBlock(static_cast<unsigned long>(stop - start));
    ogg_sync_reset(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    if (!buffer)
      break;
    std::memcpy(buffer, bytes.data(), bytes.size());
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_page page;
    // Positive: a whole page; negative: bytes skipped; 0: the rest is no whole page.
    for (long got; (got = ogg_sync_pageseek(&sync, &page)) != 0;) {
      if (got < 0 && ++skips > kOggMostSkips) {
        found = -1;
        stop = 0;
        break;
      }
      if (got > 0 && static_cast<unsigned>(ogg_page_serialno(&page)) == serial &&
          ogg_page_granulepos(&page) != -1)
        found = ogg_page_granulepos(&page);
    }
    if (start == 0 || stop == 0)
      break;
    stop = std::min(size, start + kMaxOggPage);
    window = std::min(window * 4, kOggLargestWindow);
  }
  ogg_sync_clear(&sync);
  return found;
}

// Opus counts its granule positions from before the pre-skip, the samples a decoder drops.
long long pre_skip(TagLib::Ogg::File* file) {
  if (!dynamic_cast<TagLib::Ogg::Opus::File*>(file))
    return 0;
  TagLib::ByteVector head = file->packet(0);
  if (head.size() < 12 || !head.startsWith("OpusHead"))
    return 0;
  return static_cast<unsigned char>(head[10]) | static_cast<unsigned char>(head[11]) << 8;
}

// The audio's bytes as TagLib counts them for a bitrate: the file less its header packets; for
// FLAC, the stream after its headers. -1 for a kind of stream TagLib gives no such count.
long long audio_bytes(TagLib::Ogg::File* file) {
  if (auto* flac = dynamic_cast<TagLib::Ogg::FLAC::File*>(file))
    return flac->streamLength();
  unsigned headers = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)  ? 3
                     : dynamic_cast<TagLib::Ogg::Opus::File*>(file)  ? 2
                     : dynamic_cast<TagLib::Ogg::Speex::File*>(file) ? 2
                                                                     : 0;
  if (headers == 0)
    return -1;
  long long bytes = file->length();
  for (unsigned i = 0; i < headers; ++i)
    bytes -= file->packet(i).size();
  return bytes;
}

} // namespace

AudioLength ogg_length(TagLib::Ogg::File* file, const TagLib::AudioProperties& audio) {
  AudioLength taglib{audio.lengthInMilliseconds(), audio.bitrate()};
  const TagLib::Ogg::PageHeader* first = file->firstPageHeader();
  int rate = audio.sampleRate();
  if (!first || rate <= 0)
    return taglib;
  long position = file->tell();
  long long last = last_granule(file, first->streamSerialNumber());
  file->seek(position);
  // From the first page's granule position, as TagLib counts, so that only the last page differs.
  long long samples = last - pre_skip(file) - std::max(0LL, first->absoluteGranularPosition());
  if (last < 0 || samples <= 0)
    return taglib;
  double exact = static_cast<double>(samples) * 1000.0 / rate;
  if (exact + 0.5 >= INT_MAX)
    return taglib;
  AudioLength found{static_cast<int>(exact + 0.5), taglib.bitrate};
  if (found.milliseconds == taglib.milliseconds)
    return taglib;
  long long bytes = audio_bytes(file);
  if (bytes > 0)
    found.bitrate = static_cast<int>(static_cast<double>(bytes) * 8.0 / exact + 0.5);
  return found;
}

} // namespace tessaly
