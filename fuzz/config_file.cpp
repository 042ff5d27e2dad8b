// Any bytes as a "*.tvc" file: loading it changes either no setting or all four, exactly as the
// file says; and a file saved from any settings loads back to the same settings.
#include <cstring>
#include <string>

#include "config/config_file.h"
#include "config/config_var.h"
#include "platform/kestrel/kestrel.h"
#include "support/fuzz_files.h"

namespace {

using vorlane::settings::autocrlf;
using vorlane::settings::footer;
using vorlane::settings::format;
using vorlane::settings::header;

struct Settings {
  std::string header, format, footer;
  int32_t autocrlf;
  bool operator==(const Settings&) const = default;
};

Settings current() {
  return {header.get_text(), format.get_text(), footer.get_text(), autocrlf.get_value()};
}

void apply(const Settings& s) {
  header.set_text(s.header.c_str());
  format.set_text(s.format.c_str());
  footer.set_text(s.footer.c_str());
  autocrlf.set_value(s.autocrlf);
}

// The file's meaning, read independently of the module: false for an invalid file.
bool parse(const std::string& bytes, Settings* out) {
  size_t at = 0;
  std::string* texts[] = {&out->header, &out->format, &out->footer};
  for (std::string* text : texts) {
    if (bytes.size() - at < 2)
      return false;
    size_t n = static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
    at += 2;
    if (bytes.size() - at < n)
      return false;
    *text = std::string(bytes.data() + at, n).c_str();
    at += n;
  }
  out->autocrlf = at < bytes.size() ? static_cast<uint8_t>(bytes[at]) : 1;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::MemoryHost host;
  const Settings before{"old header", "old format", "old footer", 0};
  apply(before);
  host.file.assign(reinterpret_cast<const char*>(data), size);
  kestrel_answer_next_file_dialog("memory.tvc");
  vorlane::LoadConfig(nullptr);

  Settings expected = before;
  Settings parsed;
  bool valid = parse(host.file, &parsed);
  if (valid)
    expected = parsed;
  if (!(current() == expected) || (host.messages != 0) == valid)
    __builtin_trap();

  // Whatever was loaded saves and loads back unchanged (the switch as 0 or 1).
  Settings loaded = current();
  kestrel_answer_next_file_dialog("memory.tvc");
  vorlane::SaveConfig(nullptr);
  apply(before);
  host.file = host.written;
  kestrel_answer_next_file_dialog("memory.tvc");
  vorlane::LoadConfig(nullptr);
  loaded.autocrlf = loaded.autocrlf != 0;
  if (!(current() == loaded) || host.live_objects != 0)
    __builtin_trap();
  return 0;
}
