// The "Custom" output format that Telvane drives: a header and a footer from the user's format
// strings and the playlist statistics, the entry format, and a final touch on every entry.
// Settings are read when each operation runs, never copied into the object.
#pragma once

#include <atomic>

#include "entry/host_interface.h"
#include "format/extra_items.h"
#include "format/safe_sections.h"

namespace vorlane {

class CustomOutputFormat final : public OutputFormat {
public:
  // A new object counting 1, or null when it could not be allocated.
  static CustomOutputFormat* create();

  int32_t release() override;
  int32_t add_ref() override;
  HostService* query(const Guid*) override { return nullptr; }
  const char* get_name(StringSink* sink) override;
  bool get_description(StringSink* sink) override;
  const char* get_file_filter(StringSink* sink) override;
  bool get_entry_format(StringSink* sink) override;
  // Computes the statistics, which stay for the footer of the same object.
  bool get_header(StringSink* sink) override;
  // Formats with the statistics of the last header, then forgets them.
  bool get_footer(StringSink* sink) override;
  void process_entry(Utf8String* entry, uint32_t index, const void* reserved) override;

  const ExtraItems& extra_items() const { return extra_items_; }

private:
  CustomOutputFormat() = default;
  ~CustomOutputFormat() = default;
  ExtraItems extra_items_;
  // Reused by every entry of an export, so that entries cost no allocation of their own.
  SafeSectionBuffers entry_buffers_;
  std::atomic<int32_t> ref_count_{1};
};

} // namespace vorlane
