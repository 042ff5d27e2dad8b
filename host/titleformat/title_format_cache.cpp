#include "titleformat/title_format_cache.h"

#include <algorithm>

namespace tessaly {

const TitleFormat& TitleFormatCache::get(std::string_view format) {
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if (it->text == format) {
      std::rotate(kept_.begin(), it, it + 1);
      return *kept_.front().format;
    }
  }
  auto compiled = std::make_unique<const TitleFormat>(format, resolve_);
  size_t bytes = format.size() + compiled->memory_size();
  if (bytes > most_bytes_ || most_formats_ == 0) {
    too_large_ = std::move(compiled);
    return *too_large_;
  }
  while (!kept_.empty() && (kept_.size() >= most_formats_ || kept_bytes_ + bytes > most_bytes_)) {
    kept_bytes_ -= kept_.back().bytes;
    kept_.pop_back();
  }
  kept_.insert(kept_.begin(), Kept{std::string(format), std::move(compiled), bytes});
  kept_bytes_ += bytes;
  return *kept_.front().format;
}

void TitleFormatCache::forget_groups() {
  for (const Kept& kept : kept_)
    kept.format->forget_groups();
  too_large_.reset();
}

} // namespace tessaly
