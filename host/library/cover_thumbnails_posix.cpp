// Thumbnails of covers made with libvips, each distinct picture once, named by its SHA-256.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vips/vips.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "library/covers.h"
#include "support/files.h"
#include "support/text.h"

namespace tessaly {
namespace {

// libvips is started once for the process. Its caches of operations and open files would hold
// pictures after they are written: they are switched off, so that memory follows the pictures in
// hand. The callers run a thumbnail per thread; libvips' own threads would only compete.
bool start_vips() {
  static const bool started = [] {
    if (VIPS_INIT("tessaly") != 0)
      return false;
    vips_cache_set_max(0);
    vips_cache_set_max_mem(0);
    vips_cache_set_max_files(0);
    vips_concurrency_set(1);
    // A damaged picture is reported once, as the caller counts it, not line by line here.
    g_log_set_handler(
        "VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
        [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    return true;
  }();
  return started;
}

bool has_prefix(const std::string& bytes, const char* prefix, size_t size) {
  return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

// Only the two kinds that covers come in are decoded: every other loader libvips may have is
// code that a picture in a tag has no business reaching.
bool is_jpeg_or_png(const std::string& bytes) {
  return has_prefix(bytes, "\xFF\xD8\xFF", 3) || has_prefix(bytes, "\x89PNG\r\n\x1A\n", 8);
}

std::string sha256_hex(const std::string& bytes) {
  gchar* hex = g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string text = hex;
  g_free(hex);
  return text;
}

// Safe in a URI and in an HTML attribute: every byte but the unreserved ones as %XX.
std::string percent_encoded(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (is_uri_unreserved(c))
      out += static_cast<char>(c);
    else
      append_percent_escape(c, out);
  }
  return out;
}

// "music.html" -> "music.covers"; a name without an extension keeps it whole.
std::string covers_folder_name(const std::string& output_name) {
  size_t dot = output_name.rfind('.');
  std::string stem =
      dot == std::string::npos || dot == 0 ? output_name : output_name.substr(0, dot);
  return stem + ".covers";
}

CoverResult bad(std::string reason) {
  return {CoverStatus::BadPicture, {}, std::move(reason)};
}

// Decodes picture to a JPEG of at most kThumbnailSize a side, or says why it cannot.
bool make_thumbnail(const std::string& picture, std::string* jpeg, std::string* reason) {
  if (!start_vips()) {
    *reason = "the picture library could not be started";
    return false;
  }
  void* data = const_cast<char*>(picture.data()); // libvips takes it as void*, reads only
  // The header alone, to refuse a picture that declares more pixels than a cover ever needs
  // before a single one is decoded.
  VipsImage* header = vips_image_new_from_buffer(data, picture.size(), "", "access",
                                                 VIPS_ACCESS_SEQUENTIAL, nullptr);
  if (!header) {
    vips_error_clear();
    *reason = "a damaged picture";
    return false;
  }
  uint64_t pixels = static_cast<uint64_t>(vips_image_get_width(header)) *
                    static_cast<uint64_t>(vips_image_get_height(header));
  std::string size = std::to_string(vips_image_get_width(header)) + "x" +
                     std::to_string(vips_image_get_height(header));
  g_object_unref(header);
  if (pixels > kMaxCoverPixels) {
    *reason = "a picture of " + size + " pixels, more than a cover may have";
    return false;
  }
  // A warning from the decoder (a truncated JPEG) fails it: a half-grey cover is no cover.
  VipsImage* thumb = nullptr;
  int failed =
      vips_thumbnail_buffer(data, picture.size(), &thumb, kThumbnailSize, "height", kThumbnailSize,
                            "size", VIPS_SIZE_DOWN, "option_string", "fail_on=warning", nullptr);
  if (!failed && vips_image_hasalpha(thumb)) {
    // JPEG has no transparency: it shows as the white of a page.
    double white[] = {255, 255, 255};
    VipsArrayDouble* background = vips_array_double_new(white, 3);
    VipsImage* flat = nullptr;
    failed = vips_flatten(thumb, &flat, "background", background, nullptr);
    vips_area_unref(VIPS_AREA(background));
    g_object_unref(thumb);
    thumb = flat;
  }
  void* out = nullptr;
  size_t out_size = 0;
  if (!failed)
    failed = vips_jpegsave_buffer(thumb, &out, &out_size, "Q", 85, "strip", TRUE, nullptr);
  if (thumb)
    g_object_unref(thumb);
  if (failed) {
    vips_error_clear();
    g_free(out);
    *reason = "a damaged picture";
    return false;
  }
  jpeg->assign(static_cast<const char*>(out), out_size);
  g_free(out);
  return true;
}

} // namespace

struct CoverThumbnails::State {
  // One picture's thumbnail, made by the first thread that asks for it; the others wait.
  struct Made {
    std::once_flag once;
    CoverResult result;
  };
  // One folder's beside image, looked for once.
  struct Beside {
    std::once_flag once;
    CoverResult result;
  };

  std::string parent;       // the output's folder
  std::string folder_name;  // "music.covers"
  std::string folder;       // the path
  std::string address_base; // "music.covers/", %-encoded

  std::mutex mutex; // guards what follows
  std::unordered_map<std::string, std::shared_ptr<Made>> made;
  std::unordered_map<std::string, std::shared_ptr<Beside>> beside;
  bool folder_ready = false;
  std::string folder_error;
  int folder_fd = -1;
  std::atomic<size_t> written{0};
  // The thumbnails in the folder when the export began, listed once: a re-export finds each
  // made already by its name, without a status of its own. Regular files only, as make() wants.
  std::once_flag listed_once;
  std::unordered_set<std::string> listed;

  void list_folder() {
    int fd = ::openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
      if (fd >= 0)
        ::close(fd);
      return;
    }
    while (dirent* entry = ::readdir(dir)) {
      struct stat info;
      if (entry->d_type == DT_REG ||
          (entry->d_type == DT_UNKNOWN &&
           ::fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode)))
        listed.insert(entry->d_name);
    }
    ::closedir(dir);
  }

  template <class T>
  std::shared_ptr<T> slot(std::unordered_map<std::string, std::shared_ptr<T>>* map,
                          const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<T>& entry = (*map)[key];
    if (!entry)
      entry = std::make_shared<T>();
    return entry;
  }

  // Makes the folder, or finds the one an earlier export made. An existing one must be a real
  // folder of this user: a link or another user's folder planted at that name is never written.
  bool open_folder(std::string* error) {
    std::lock_guard<std::mutex> lock(mutex);
    if (folder_ready || !folder_error.empty()) {
      *error = folder_error;
      return folder_ready;
    }
    std::string reason;
    int parent_fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent_fd < 0) {
      reason = std::strerror(errno);
    } else {
      if (::mkdirat(parent_fd, folder_name.c_str(), 0755) != 0 && errno != EEXIST)
        reason = std::strerror(errno);
      else
        folder_fd = ::openat(parent_fd, folder_name.c_str(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (reason.empty() && folder_fd < 0)
        reason = errno == ELOOP || errno == ENOTDIR ? "not a folder" : std::strerror(errno);
      ::close(parent_fd);
    }
    struct stat info;
    if (reason.empty() && (::fstat(folder_fd, &info) != 0 || info.st_uid != ::geteuid()))
      reason = "a folder of another user";
    if (reason.empty() && ::faccessat(folder_fd, ".", W_OK, AT_EACCESS) != 0)
      reason = std::strerror(errno);
    if (!reason.empty()) {
      folder_error = "covers: " + folder + ": " + reason + "; the export has no covers";
      *error = folder_error;
      return false;
    }
    folder_ready = true;
    return true;
  }

  void fail_folder(const std::string& error) {
    std::lock_guard<std::mutex> lock(mutex);
    folder_ready = false;
    if (folder_error.empty())
      folder_error = "covers: " + error + "; the export has no more covers";
  }

  CoverResult make(const std::string& picture, const std::string& name) {
    std::string error;
    if (!open_folder(&error))
      return {CoverStatus::Unwritable, {}, error};
    CoverResult done{CoverStatus::Cover, address_base + name, {}};
    struct stat info;
    if (::fstatat(folder_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode) && info.st_size > 0)
      return done;
    std::string jpeg;
    std::string reason;
    if (!make_thumbnail(picture, &jpeg, &reason))
      return bad(reason);
    if (!write_file_atomically(join_path(folder, name), jpeg, &error)) {
      fail_folder(error);
      return {CoverStatus::Unwritable, {}, folder_error_now()};
    }
    ++written;
    return done;
  }

  std::string folder_error_now() {
    std::lock_guard<std::mutex> lock(mutex);
    return folder_error;
  }
};

CoverThumbnails::CoverThumbnails(const std::string& output_path) : state_(new State) {
  std::string output = absolute_path(output_path);
  state_->parent = parent_dir(output);
  state_->folder_name = covers_folder_name(file_name(output));
  state_->folder = join_path(state_->parent, state_->folder_name);
  state_->address_base = percent_encoded(state_->folder_name) + "/";
}

CoverThumbnails::~CoverThumbnails() {
  if (state_->folder_fd >= 0)
    ::close(state_->folder_fd);
}

CoverResult CoverThumbnails::thumbnail(const std::string& picture) {
  if (picture.size() > kMaxCoverBytes)
    return bad("a picture of " + std::to_string(picture.size()) +
               " bytes, more than a cover may have");
  if (!is_jpeg_or_png(picture))
    return bad("not a JPEG nor a PNG picture");
  std::string name = sha256_hex(picture) + ".jpg";
  std::shared_ptr<State::Made> made = state_->slot(&state_->made, name);
  std::call_once(made->once, [&] { made->result = state_->make(picture, name); });
  if (made->result.status == CoverStatus::Unwritable)
    return {CoverStatus::Unwritable, {}, state_->folder_error_now()};
  return made->result;
}

CoverResult CoverThumbnails::cover_of(const std::string& audio_path, std::string* embedded) {
  std::string picture;
  switch (read_front_cover(audio_path, &picture)) {
  case PictureFound::Found:
    if (embedded && picture.size() <= kMaxCoverBytes && is_jpeg_or_png(picture))
      *embedded = sha256_hex(picture);
    return thumbnail(picture);
  case PictureFound::TooLarge:
    return bad("a picture in the tags larger than a cover may be");
  case PictureFound::None:
    break;
  }
  return beside_cover(audio_path);
}

CoverResult CoverThumbnails::made_thumbnail(const std::string& hash) {
  std::string error;
  if (hash.size() != 64 || hash.find_first_not_of("0123456789abcdef") != std::string::npos ||
      !state_->open_folder(&error))
    return {};
  std::string name = hash + ".jpg";
  std::call_once(state_->listed_once, [&] { state_->list_folder(); });
  if (state_->listed.count(name))
    return {CoverStatus::Cover, state_->address_base + name, {}};
  return {};
}

CoverResult CoverThumbnails::beside_cover(const std::string& audio_path) {
  std::string folder = parent_dir(absolute_path(audio_path));
  std::shared_ptr<State::Beside> beside = state_->slot(&state_->beside, folder);
  std::call_once(beside->once, [&] {
    std::string name = beside_cover_name(directory_entries(folder));
    if (name.empty())
      return;
    std::string bytes;
    switch (read_beside_cover(folder, name, &bytes)) {
    case PictureFound::Found:
      beside->result = thumbnail(bytes);
      break;
    case PictureFound::TooLarge:
      beside->result = bad(join_path(folder, name) + ": larger than a cover may be");
      break;
    case PictureFound::None:
      break;
    }
  });
  if (beside->result.status == CoverStatus::Unwritable)
    return {CoverStatus::Unwritable, {}, state_->folder_error_now()};
  return beside->result;
}

const std::string& CoverThumbnails::folder() const {
  return state_->folder;
}

std::string CoverThumbnails::folder_error() const {
  return state_->folder_error_now();
}

size_t CoverThumbnails::written() const {
  return state_->written;
}

} // namespace tessaly
