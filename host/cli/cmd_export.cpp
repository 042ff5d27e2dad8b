#include <cstdio>

#include "cli/command.h"
#include "cli/playlist_arguments.h"
#include "cli/presets.h"
#include "support/text.h"

namespace tessaly {

namespace {

int run_export(Host& host, const Arguments& arguments) {
  PlaylistArguments parsed;
  Telvane telvane(host);
  FormatReference format;
  if (int status = open_playlist(host, telvane, kExportCommand, arguments, true, &parsed, &format);
      status != kDone)
    return status;
  // A fresh profile has an empty entry format: the export would hold no entries, for no reason
  // the user can see.
  if (equal_ignoring_ascii_case(parsed.format, "Custom") && custom_entry_format_empty(host)) {
    std::string names;
    for (const std::string& name : preset_names())
      names += (names.empty() ? "" : ", ") + name;
    Host::report("the Custom entry format is empty, so no entry writes anything: choose a preset "
                 "with --preset NAME" +
                 (names.empty() ? std::string() : " (" + names + ")") +
                 ", or set a format with 'tessaly prefs --set format=TEXT'");
  }
  const std::string& output = parsed.output;
  size_t entries = 0;
  std::string error;
  if (output == "-") {
    if (!telvane.write(*format.get(), stdout, &entries, &error)) {
      Host::report("standard output: " + error);
      return kFailed;
    }
    return kDone;
  }
  if (!telvane.write_file(*format.get(), output, &entries, &error)) {
    Host::report(error);
    return kFailed;
  }
  Host::report("wrote " + std::to_string(entries) + (entries == 1 ? " entry" : " entries") +
               " to " + output);
  return kDone;
}

} // namespace

const Command kExportCommand = {
    "export",
    "PLAYLIST... -o OUT [--format NAME] [--preset NAME] [--sort FORMAT] [--reverse]\n"
    "         [--no-index | --rescan] [--jobs N] [--quiet]",
    "write a playlist through an output format",
    "  Loads PLAYLIST and writes it to OUT (- for standard output) in the output format NAME\n"
    "  (default Custom): header, one formatted entry per playlist entry, footer. OUT is\n"
    "  replaced only once it is written whole; a read-only OUT is left alone. 'tessaly\n"
    "  formats' lists the format names.\n"
    "\n"
    "  PLAYLIST is an M3U, M3U8, PLS or XSPF playlist, an audio file or a folder (its audio\n"
    "  files and those of every folder below, in path order); several are read one after\n"
    "  the other. The native tessaly reads each local file's tags and length, which win over\n"
    "  the playlist's; a file it cannot read keeps the playlist's information and is counted\n"
    "  in one line on standard error.\n"
    "\n"
    "  --sort FORMAT orders the entries by the text FORMAT makes of each: natural order\n"
    "  (2 before 10), ASCII letters without regard to case, stable; --reverse the other\n"
    "  way (alone, it reverses the playlist).\n"
    "\n"
    "  The native tessaly keeps what each file gave in the profile's library.sqlite and\n"
    "  reads again only the files whose size, times, inode or device changed. --no-index\n"
    "  reads every file and touches no index; --rescan reads every file and refreshes the\n"
    "  index. The files are read by --jobs N threads (default: the processors available);\n"
    "  the output is the same for any N. On a terminal one line on standard error shows\n"
    "  the files read, their rate and the time left; --quiet leaves it out.\n"
    "\n"
    "  --preset NAME loads presets/NAME.tvc (or the .tvc file NAME) as the Custom page's\n"
    "  \"Load Config\" does, for this export only; the stored settings stay as they were.\n"
    "\n"
    "  Title formatting: %title% %artist% %album% %path% %filename% %length%\n"
    "  %length_seconds% %length_seconds_exact% %list_index% %list_total% are the entry's\n"
    "  fields, with the file's %album artist% %tracknumber% %totaltracks% %discnumber%\n"
    "  %totaldiscs% %date% %genre% %comment% %bitrate% %samplerate% %channels% %codec%\n"
    "  %filesize% %cover% and %playlist_name% (docs/fields.md; the header and footer see\n"
    "  entry 1's, and the format's own variables):\n"
    "  %path% is the full location (a relative entry joined to the playlist's folder, in\n"
    "  this system's form), %length_seconds% whole seconds, %length_seconds_exact% the\n"
    "  length as the playlist gives it (198.4). [...] shows only when every field directly\n"
    "  inside is known; '...' is literal text ('' a quote); the functions are\n"
    "  $if(C,THEN,ELSE) $if2(A,B) $upper(S) $lower(S) $len(S) $num(N,WIDTH) $char(N)\n"
    "  $crlf() $tab(), $groupfirst(KEY) $groupcount(KEY) $grouplength(KEY) (a group: the\n"
    "  run of neighbours whose KEY gives the same text), and:\n"
    "    $add(A,B) $sub(A,B) $mul(A,B) $div(A,B) $mod(A,B)\n"
    "                  whole-number arithmetic; $div truncates toward zero, $mod keeps A's\n"
    "                  sign, and both give nothing for B = 0 ($mul(%length_seconds%,1000)\n"
    "                  is the length in milliseconds, to the whole second)\n"
    "    $greater(A,B) 1 when the whole number A is greater than B, else nothing\n"
    "                  ($if($greater(%list_index%,1),',') puts a comma before every entry\n"
    "                  but the first)\n"
    "    $replace(S,FROM,TO[,FROM2,TO2...])\n"
    "                  S with every FROM replaced by its TO, in one pass from the left (at\n"
    "                  each place the first FROM that matches wins; nothing is replaced\n"
    "                  twice); the result is cut at 65,536 bytes\n"
    "    $json(S)      S as the inside of a JSON string: \" \\ and control bytes escaped,\n"
    "                  and @ as \\u0040, so that no title can start an @htmlsafe section\n"
    "    $printable(S) S with every character XML forbids (control bytes but tab, CR and\n"
    "                  LF; U+FFFE, U+FFFF) replaced by U+FFFD\n"
    "    $uri(PATH)    a location as a URI: a URL is kept (bytes no URI may hold are\n"
    "                  %-encoded), a local path has \\ turned into / and every byte but\n"
    "                  A-Z a-z 0-9 - . _ ~ %-encoded; /x, C:\\x and \\\\host\\x become file:\n"
    "                  URIs, a relative path stays relative\n",
    run_export,
    false};

} // namespace tessaly
