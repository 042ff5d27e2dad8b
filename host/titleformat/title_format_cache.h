// The last few title formats compiled, keyed by their text: a module formats every entry of an
// export with the same format, which is then parsed once, not once per entry. Formats come from
// outside, so what is kept is bounded in number and in bytes; one larger than the whole bound is
// compiled for its call alone.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "titleformat/title_format.h"

namespace tessaly {

class TitleFormatCache {
public:
  explicit TitleFormatCache(TitleFieldResolver resolve, size_t most_formats = 8,
                            size_t most_bytes = size_t{4} << 20)
      : resolve_(resolve), most_formats_(most_formats), most_bytes_(most_bytes) {}

  // format compiled with the cache's resolver; valid until the next call.
  const TitleFormat& get(std::string_view format);
  // For a new playlist: see TitleFormat::forget_groups.
  void forget_groups();

private:
  struct Kept {
    std::string text;
    std::unique_ptr<const TitleFormat> format;
    size_t bytes;
  };

  TitleFieldResolver resolve_;
  size_t most_formats_;
  size_t most_bytes_;
  // The most recently used first.
  std::vector<Kept> kept_;
  size_t kept_bytes_ = 0;
  std::unique_ptr<const TitleFormat> too_large_;
};

} // namespace tessaly
