#include "playlist/xspf_loader.h"

#include "playlist/locations.h"
#include "playlist/m3u_loader.h"
#include "playlist/xml_reader.h"
#include "support/location.h"

namespace tessaly {
namespace {

std::string trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos)
    return {};
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// playlist > trackList > track > its fields.
constexpr int kTrackDepth = 3;
constexpr int kFieldDepth = 4;

class XspfHandler final : public XmlHandler {
public:
  explicit XspfHandler(std::vector<PlaylistEntry>* entries) : entries_(entries) {}

  void start_element(std::string_view name, int depth) override {
    if (depth == 1)
      is_playlist_ = name == "playlist";
    in_track_list_ = depth == 2 ? name == "trackList" : in_track_list_;
    if (depth == kTrackDepth && in_track_list_ && name == "track") {
      in_track_ = true;
      track_ = PlaylistEntry();
      track_number_.clear();
      have_location_ = false;
    }
    if (depth == kFieldDepth && in_track_) {
      field_ = name == "location" && !have_location_ ? &location_
               : name == "title"                     ? &track_.title
               : name == "creator"                   ? &track_.artist
               : name == "album"                     ? &track_.album
               : name == "trackNum"                  ? &track_number_
               : name == "duration"                  ? &duration_
                                                     : nullptr;
      if (field_)
        field_->clear();
    }
  }

  void end_element(std::string_view, int depth) override {
    if (depth == kFieldDepth && field_ == &location_)
      have_location_ = !location_.empty();
    if (depth == kFieldDepth && field_ == &duration_) {
      std::optional<double> ms = parse_decimal(duration_);
      track_.length_seconds = ms && *ms > 0 ? std::optional(*ms / 1000) : std::nullopt;
    }
    if (depth == kFieldDepth)
      field_ = nullptr;
    if (depth == kTrackDepth && in_track_) {
      in_track_ = false;
      if (have_location_) {
        track_.location = location_;
        track_.set_file_field(FileField::TrackNumber, trimmed(track_number_));
        entries_->push_back(std::move(track_));
      }
    }
  }

  void text(std::string_view piece, int depth) override {
    if (field_ && depth == kFieldDepth)
      field_->append(piece);
  }

  bool is_playlist() const { return is_playlist_; }

private:
  std::vector<PlaylistEntry>* entries_;
  PlaylistEntry track_;
  std::string location_;
  std::string duration_;
  std::string track_number_;
  std::string* field_ = nullptr;
  bool is_playlist_ = false;
  bool in_track_list_ = false;
  bool in_track_ = false;
  bool have_location_ = false;
};

} // namespace

bool parse_xspf(std::string_view text, const std::string& folder,
                std::vector<PlaylistEntry>* entries, std::string* error) {
  std::vector<PlaylistEntry> read;
  XspfHandler handler(&read);
  if (!parse_xml(text, handler, error))
    return false;
  if (!handler.is_playlist()) {
    *error = "not an XSPF playlist: its document element is not <playlist>";
    return false;
  }
  for (PlaylistEntry& entry : read) {
    entry.location = trimmed(entry.location);
    // A location is a URI: a file: one names a path; any other URL stays as it is.
    std::optional<std::string> path = file_uri_path(entry.location);
    if (!path && !is_url(entry.location))
      path = file_uri_path("file:" + entry.location).value_or(entry.location);
    entry.resolved = path ? resolve_location(*path, folder) : entry.location;
  }
  *entries = std::move(read);
  return true;
}

} // namespace tessaly
