#include "writer/telvane.h"

#include "base/utf8_string.h"
#include "diag/audit.h"
#include "session/factories.h"
#include "support/files.h"

namespace tessaly {
namespace {

constexpr const char* kFormatKind = "OutputFormat";
// Entries are formatted with no extra items: the empty list.
constexpr char kNoItems[2] = {'\0', '\0'};

std::string text_of(const vorlane::Utf8String& s) {
  return std::string(s.text(), s.length());
}

} // namespace

FormatReference::FormatReference(vorlane::OutputFormat* format) : format_(format) {
  if (format_)
    Audit::instance().opened(kFormatKind);
}

FormatReference& FormatReference::operator=(FormatReference&& other) noexcept {
  if (this != &other) {
    reset();
    format_ = other.format_;
    other.format_ = nullptr;
  }
  return *this;
}

void FormatReference::reset() {
  if (!format_)
    return;
  format_->release();
  Audit::instance().closed(kFormatKind);
  format_ = nullptr;
}

template <class Visit> void Telvane::each_format(Visit visit) {
  for_each_factory(host_, vorlane::kOutputFormatClass,
                   [&](LoadedModule&, vorlane::ServiceFactory& factory) {
                     FormatReference format(static_cast<vorlane::OutputFormat*>(factory.create()));
                     if (format)
                       visit(format);
                   });
}

std::vector<OutputFormatInfo> Telvane::formats() {
  std::vector<OutputFormatInfo> found;
  each_format([&](FormatReference& format) {
    vorlane::Utf8String name, description, filter;
    format->get_name(&name);
    if (!format->get_description(&description))
      description.reset();
    format->get_file_filter(&filter);
    found.push_back({text_of(name), text_of(description), text_of(filter)});
  });
  return found;
}

FormatReference Telvane::select(const std::string& wanted) {
  FormatReference chosen;
  each_format([&](FormatReference& format) {
    vorlane::Utf8String name;
    format->get_name(&name);
    if (!chosen && text_of(name) == wanted)
      chosen = std::move(format);
  });
  return chosen;
}

std::string Telvane::unknown_format_message(const std::string& name) {
  std::string known;
  for (const OutputFormatInfo& format : formats())
    known += (known.empty() ? "" : ", ") + format.name;
  return "no output format named '" + name + "'; known formats: " +
         (known.empty() ? std::string("none (no module serves one)") : known);
}

bool Telvane::write(vorlane::OutputFormat& format, const PutBytes& put_bytes, size_t* entries,
                    std::string* error) {
  *entries = 0;
  auto put = [&](const vorlane::Utf8String& piece) {
    return put_bytes(piece.text(), piece.length(), error);
  };
  HostPlaylistService& playlist = host_.playlist();

  vorlane::Utf8String header;
  format.get_header(&header);
  if (!put(header))
    return false;

  vorlane::Utf8String entry_format;
  if (format.get_entry_format(&entry_format)) {
    int32_t count = playlist.entry_count();
    for (int32_t i = 0; i < count; ++i) {
      vorlane::Utf8String entry;
      playlist.format_title(i, &entry, entry_format.text(), kNoItems);
      format.process_entry(&entry, static_cast<uint32_t>(i), nullptr);
      if (!put(entry))
        return false;
      ++*entries;
    }
  }

  vorlane::Utf8String footer;
  format.get_footer(&footer);
  return put(footer);
}

bool Telvane::write(vorlane::OutputFormat& format, std::FILE* out, size_t* entries,
                    std::string* error) {
  auto put = [out](const char* data, size_t size, std::string* reason) {
    if (std::fwrite(data, 1, size, out) == size)
      return true;
    *reason = system_error();
    return false;
  };
  if (!write(format, put, entries, error))
    return false;
  if (std::fflush(out) == 0)
    return true;
  *error = system_error();
  return false;
}

bool Telvane::write_file(vorlane::OutputFormat& format, const std::string& path, size_t* entries,
                         std::string* error) {
  *entries = 0;
  if (is_directory(path)) {
    *error = path + ": is a folder, not a file";
    return false;
  }
  if (is_read_only(path)) {
    *error = path + ": the file is read-only; it was left as it was";
    return false;
  }
  auto write_all = [&](ReplacingFile& file, std::string* reason) {
    auto put = [&file](const char* data, size_t size, std::string* why) {
      return file.write(data, size, why);
    };
    return write(format, put, entries, reason);
  };
  ReplaceStep failed;
  std::string reason;
  if (replace_file(path, write_all, &failed, &reason))
    return true;
  *entries = 0;
  if (failed == ReplaceStep::Opening) {
    std::string folder = parent_dir(path);
    *error = path + ": cannot write " +
             (is_directory(folder) ? "there: " + reason : "there: no folder " + folder);
  } else {
    *error = path + ": not written: " + reason;
  }
  return false;
}

} // namespace tessaly
