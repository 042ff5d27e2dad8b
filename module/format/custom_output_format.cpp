#include "custom_output_format.h"

#include <new>

#include "base/allocator.h"
#include "base/utf8_string.h"
#include "config/config_var.h"
#include "entry/factories.h"
#include "entry/host_access.h"
#include "format/playlist_statistics.h"
#include "format/safe_sections.h"

namespace vorlane {

HostService* OutputFormatFactory::create() {
  return CustomOutputFormat::create();
}

CustomOutputFormat* CustomOutputFormat::create() {
  void* memory = mem_alloc(sizeof(CustomOutputFormat));
  return memory ? new (memory) CustomOutputFormat() : nullptr;
}

int32_t CustomOutputFormat::add_ref() {
  return ++ref_count_;
}

int32_t CustomOutputFormat::release() {
  int32_t left = --ref_count_;
  if (left == 0) {
    this->~CustomOutputFormat();
    mem_free(this);
  }
  return left;
}

const char* CustomOutputFormat::get_name(StringSink* sink) {
  return sink->assign_text("Custom");
}

bool CustomOutputFormat::get_description(StringSink* sink) {
  sink->assign_text("Custom formatting strings as defined in prefs.");
  return true;
}

const char* CustomOutputFormat::get_file_filter(StringSink* sink) {
  return sink->assign_text("All Files|*.*");
}

bool CustomOutputFormat::get_entry_format(StringSink* sink) {
  sink->assign_text(settings::format.get_text());
  return !settings::format.is_empty();
}

namespace {

// The formatted text of a header or footer: the user's format with the current statistics.
void format_piece(Utf8String& out, const char* format, const ExtraItems& items) {
  if (PlaylistService* playlist = playlist_service())
    playlist->format_title(0, &out, format, items.items_text());
}

// Safe sections, then the sink's old content replaced, then the line end outside any section.
void deliver(StringSink* sink, Utf8String& out) {
  apply_safe_sections(out);
  sink->assign_from(out);
  if (settings::autocrlf.get_value() != 0)
    sink->append_text("\r\n");
}

} // namespace

bool CustomOutputFormat::get_header(StringSink* sink) {
  Utf8String out;
  if (extra_items_.item_count() > 0)
    extra_items_.clear();
  compute_statistics(extra_items_);
  format_piece(out, settings::header.get_text(), extra_items_);
  deliver(sink, out);
  return true;
}

bool CustomOutputFormat::get_footer(StringSink* sink) {
  Utf8String out;
  format_piece(out, settings::footer.get_text(), extra_items_);
  extra_items_.clear();
  deliver(sink, out);
  return true;
}

void CustomOutputFormat::process_entry(Utf8String* entry, uint32_t, const void*) {
  if (!entry)
    return;
  // The entry is Telvane's string, on Telvane's heap: it is changed only through its interface.
  apply_safe_sections_then_append(*entry, entry_buffers_,
                                  settings::autocrlf.get_value() != 0 ? "\r\n" : "");
}

} // namespace vorlane
