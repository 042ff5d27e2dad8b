#include "cli/playlist_arguments.h"

#include "cli/presets.h"
#include "library/cover_reading.h"
#include "playlist/inputs.h"
#include "support/files.h"
#include "support/location.h"
#include "support/text.h"
#include "titleformat/playlist_order.h"

namespace tessaly {
namespace {

// More threads than this only wait for the disk.
constexpr int kMaxJobs = 256;

int parse_playlist_arguments(const Command& command, const Arguments& arguments, bool takes_output,
                             PlaylistArguments* parsed) {
  bool have_output = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    bool output_option = takes_output && (arg == "-o" || arg == "--output");
    bool preset_option = takes_output && arg == "--preset";
    if (output_option || preset_option || arg == "--format") {
      if (++i >= arguments.size() || (preset_option && arguments[i].empty()))
        return usage_error(command, arg + (output_option ? " needs a file" : " needs a name"));
      if (output_option) {
        parsed->output = arguments[i];
        have_output = true;
      } else if (preset_option) {
        parsed->preset = arguments[i];
      } else {
        parsed->format = arguments[i];
      }
    } else if (arg == "--sort") {
      if (++i >= arguments.size() || arguments[i].empty())
        return usage_error(command, "--sort needs a title format, such as '%artist%|%album%'");
      parsed->sort = arguments[i];
    } else if (arg == "--reverse") {
      parsed->reverse = true;
    } else if (arg == "--no-index") {
      parsed->library.use_index = false;
    } else if (arg == "--rescan") {
      parsed->library.rescan = true;
    } else if (arg == "--quiet") {
      parsed->library.quiet = true;
    } else if (arg == "--jobs") {
      const std::string* count = ++i < arguments.size() ? &arguments[i] : nullptr;
      if (!count || count->empty() || count->size() > 4 ||
          count->find_first_not_of("0123456789") != std::string::npos || std::stoi(*count) < 1 ||
          std::stoi(*count) > kMaxJobs)
        return usage_error(command, "--jobs needs a number of threads from 1 to " +
                                        std::to_string(kMaxJobs));
      parsed->library.jobs = static_cast<unsigned>(std::stoi(*count));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage_error(command, "unknown option " + arg);
    } else {
      parsed->inputs.push_back(arg);
    }
  }
  if (parsed->inputs.empty())
    return usage_error(command, "needs a playlist, a folder or audio files");
  if (takes_output && (!have_output || parsed->output.empty()))
    return usage_error(command, "needs -o OUT (- for standard output)");
  return kDone;
}

} // namespace

int open_playlist(Host& host, Telvane& telvane, const Command& command, const Arguments& arguments,
                  bool takes_output, PlaylistArguments* parsed, FormatReference* format) {
  if (int status = parse_playlist_arguments(command, arguments, takes_output, parsed);
      status != kDone)
    return status;
  if (!parsed->preset.empty() && !load_preset(host, parsed->preset))
    return kFailed;
  Playlist playlist;
  TagReading problems;
  std::string error;
  if (!load_inputs(parsed->inputs, &playlist, &problems, &parsed->library.folders, &error)) {
    Host::report(error);
    return kFailed;
  }
  parsed->library.profile = host.profile_dir();
  std::vector<std::string> notes;
  FileStatuses statuses;
  TagReading reading = read_library(&playlist, parsed->library, &notes, &statuses);
  for (const std::string& note : notes)
    Host::report(note);
  // An entry that neither its tags nor the playlist name shows its file's name, as players do.
  for (PlaylistEntry& entry : playlist.entries) {
    if (entry.title.empty() && !entry.resolved.empty() && !is_url(entry.resolved))
      entry.title = name_without_extension(file_name(entry.resolved));
  }
  // Pictures are read and thumbnails made only for formats that show them, beside a file.
  if (!parsed->output.empty() && parsed->output != "-" &&
      custom_settings_mention(host, "%cover%")) {
    notes.clear();
    read_covers(&playlist, parsed->output, parsed->library, statuses, &notes);
    for (const std::string& note : notes)
      Host::report(note);
  }
  if (!parsed->sort.empty() || parsed->reverse)
    sort_playlist(&playlist, parsed->sort, parsed->reverse);
  reading.files += problems.files;
  reading.failed += problems.failed;
  if (problems.failed > 0)
    reading.first_failure = problems.first_failure; // it came first
  // Files that could not be read keep what the playlist says; the export goes on.
  if (std::string summary = tag_reading_summary(reading); !summary.empty())
    Host::report(summary);
  host.playlist().set_playlist(std::move(playlist));
  *format = telvane.select(parsed->format);
  if (!*format) {
    Host::report(telvane.unknown_format_message(parsed->format));
    return kFailed;
  }
  return kDone;
}

} // namespace tessaly
