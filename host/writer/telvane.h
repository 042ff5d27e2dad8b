// Telvane, the host's playlist writer. It finds the output formats that modules serve (class
// kOutputFormatClass in their factory lists) and writes the host's playlist through one of them:
// the header, every entry formatted with the format's entry string and touched by process_entry,
// then the footer. Pieces are written as they come, never held whole.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "session/host.h"

namespace tessaly {

// One reference of an output-format object, given back when it goes. The host's add_ref/release
// balance of these objects shows in the Audit as "OutputFormat".
class FormatReference {
public:
  FormatReference() = default;
  // Takes over the reference that create handed out.
  explicit FormatReference(vorlane::OutputFormat* format);
  ~FormatReference() { reset(); }
  FormatReference(FormatReference&& other) noexcept : format_(other.format_) {
    other.format_ = nullptr;
  }
  FormatReference& operator=(FormatReference&& other) noexcept;
  FormatReference(const FormatReference&) = delete;
  FormatReference& operator=(const FormatReference&) = delete;

  vorlane::OutputFormat* get() const { return format_; }
  vorlane::OutputFormat* operator->() const { return format_; }
  explicit operator bool() const { return format_ != nullptr; }
  void reset();

private:
  vorlane::OutputFormat* format_ = nullptr;
};

struct OutputFormatInfo {
  std::string name;
  std::string description;
  std::string filter;
};

class Telvane {
public:
  explicit Telvane(Host& host) : host_(host) {}

  // Every output format of every loaded module, in module and factory-list order. One object is
  // created per factory to read its texts, and released again.
  std::vector<OutputFormatInfo> formats();
  // The first format whose name is name; every other object created on the way is released.
  // Empty when there is none.
  FormatReference select(const std::string& name);
  // "no output format named 'NAME'; known formats: A, B", for a name select did not find.
  std::string unknown_format_message(const std::string& name);

  // Writes the host's playlist through format to put, piece by piece; entries gets the number
  // of entries written. False, with put's reason in error, when put would not take the bytes.
  using PutBytes = std::function<bool(const char* data, size_t size, std::string* reason)>;
  bool write(vorlane::OutputFormat& format, const PutBytes& put, size_t* entries,
             std::string* error);
  // The same to a stream, flushed at the end.
  bool write(vorlane::OutputFormat& format, std::FILE* out, size_t* entries, std::string* error);
  // The same into the file at path, through a temporary file beside it that replaces path only
  // once everything was written: a failed export leaves no partial file and the old one whole.
  bool write_file(vorlane::OutputFormat& format, const std::string& path, size_t* entries,
                  std::string* error);

private:
  // Calls visit with a new reference of every output-format object, one per factory.
  template <class Visit> void each_format(Visit visit);

  Host& host_;
};

} // namespace tessaly
