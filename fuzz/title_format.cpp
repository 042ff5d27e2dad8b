// Any format string with any extra items, over a small playlist: the formatter never fails, never
// reads past its input (the inputs are exact-size copies) and always gives valid text length. One
// compiled form is applied to each entry, with its variables resolved ahead, and must give what
// looking each variable up by its name gives.
#include <cstring>
#include <string>
#include <vector>

#include "playlist/m3u_loader.h"
#include "titleformat/extra_items.h"
#include "titleformat/title_format.h"
#include "titleformat/track_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input is split at its first 0xFF byte: the format, then the extra-items text.
  const uint8_t* split = static_cast<const uint8_t*>(std::memchr(data, 0xFF, size));
  size_t format_size = split ? static_cast<size_t>(split - data) : size;
  std::vector<char> format(data, data + format_size);
  std::vector<char> items;
  if (split)
    items.assign(split + 1, data + size);
  items.push_back('\0');
  items.push_back('\0');

  static tessaly::Playlist playlist = [] {
    tessaly::Playlist p;
    p.entries = tessaly::parse_m3u("#EXTINF:200.5,Rust & Rivets - Harbour <live>\n"
                                   "music/a.flac\n#EXTALB:Lamps\n#EXTINF:-1,Untitled\nb.mp3\n",
                                   "/music");
    return p;
  }();
  auto pairs = tessaly::parse_extra_items(items.data());
  std::string_view text(format.data(), format.size());
  tessaly::TitleFormat compiled(text, tessaly::track_field_id);
  for (long long index : {0LL, 1LL, 7LL}) {
    std::string out = compiled.apply(tessaly::EntryVariables(pairs, &playlist, index));
    if (out.size() > (1u << 30))
      __builtin_trap();
    if (out != tessaly::format_title_text(text, tessaly::entry_lookup(pairs, &playlist, index)))
      __builtin_trap();
  }
  return 0;
}
