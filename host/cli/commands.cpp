#include "cli/commands.h"

#include <cstdio>

#include "diag/audit.h"

namespace tessaly {

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"components", "", "list the loaded modules and their service factories", "", run_components,
       false},
      {"config", "dump | reset | load MODULE FILE",
       "show, forget or restore the stored configuration",
       "  dump               one line per module: FILE: HEX of its current block\n"
       "  reset              forget every stored block; the next start uses the defaults\n"
       "  load MODULE FILE   hand the bytes of FILE to MODULE's load_config and store the\n"
       "                     result (MODULE: file name, or name without extension)\n",
       run_config, true},
      {"formats", "", "list the output formats: NAME, DESCRIPTION and FILTER, tab-separated", "",
       run_formats, false},
      {"stats", "PLAYLIST [--format NAME]",
       "show the variables an output format passes to its header",
       "  Loads the M3U or M3U8 PLAYLIST, asks the output format NAME (default Custom) for its\n"
       "  header and prints, one name=value a line, the extra variables it handed to the title\n"
       "  formatter for that header.\n",
       run_stats, false},
      {"export", "PLAYLIST -o OUT [--format NAME]", "write a playlist through an output format",
       "  Loads the M3U or M3U8 PLAYLIST and writes it to OUT (- for standard output) in the\n"
       "  output format NAME (default Custom): header, one formatted entry per playlist entry,\n"
       "  footer. OUT is replaced only once it is written whole; a read-only OUT is left alone.\n"
       "  'tessaly formats' lists the format names.\n"
       "\n"
       "  Title formatting: %title% %artist% %album% %path% %filename% %length%\n"
       "  %length_seconds% %list_index% %list_total% are the entry's fields (the header and\n"
       "  footer see entry 1's, and the format's own variables); [...] shows only when every\n"
       "  field directly inside is known; '...' is literal text ('' a quote); the functions\n"
       "  are $if(C,THEN,ELSE) $if2(A,B) $upper(S) $lower(S) $len(S) $num(N,WIDTH) $char(N)\n"
       "  $crlf() $tab(), and:\n"
       "    $add(A,B) $sub(A,B) $mul(A,B) $div(A,B) $mod(A,B)\n"
       "                  whole-number arithmetic; $div truncates toward zero, $mod keeps A's\n"
       "                  sign, and both give nothing for B = 0 ($mul(%length_seconds%,1000)\n"
       "                  is the length in milliseconds, to the whole second)\n"
       "    $replace(S,FROM,TO[,FROM2,TO2...])\n"
       "                  S with every FROM replaced by its TO, in one pass from the left (at\n"
       "                  each place the first FROM that matches wins; nothing is replaced\n"
       "                  twice); the result is cut at 65,536 bytes\n"
       "    $uri(PATH)    a location as a URI: a URL is kept (bytes no URI may hold are\n"
       "                  %-encoded), a local path has \\ turned into / and every byte but\n"
       "                  A-Z a-z 0-9 - . _ ~ %-encoded; /x, C:\\x and \\\\host\\x become file:\n"
       "                  URIs, a relative path stays relative\n",
       run_export, false},
      {"prefs", "ACTION...", "drive the Telvane > Custom preferences page as a user would",
       "  --set header=TEXT      replace the text of the Header box, as typing over all of it\n"
       "  --set format=TEXT      the same for the Entry Format box\n"
       "  --set footer=TEXT      the same for the Footer box\n"
       "  --set autocrlf=0|1     clear or tick \"Auto Append $crlf()\" by clicking it\n"
       "  --load FILE            click \"Load Config\" and choose FILE in the file dialog\n"
       "  --save FILE            click \"Save Config\" and choose FILE\n"
       "  --reset                click \"Reset Config\"\n"
       "  --show                 print header, format, footer and autocrlf as NAME=VALUE lines,\n"
       "                         as the module stores them\n"
       "  --gui [--report FILE]  show the window until it is closed (Windows build only); with\n"
       "                         --report, FILE holds the --show lines, rewritten after every\n"
       "                         change\n"
       "\n"
       "The actions run in the order given; --gui comes last. After an action that fails or\n"
       "makes the module post a message, the rest are not performed. The configuration is\n"
       "stored when the command ends.\n"
       "\n"
       "In TEXT, \\n \\r \\t \\\\ and \\xNN stand for those bytes, and --show writes values the\n"
       "same way. A box keeps its text as given: Enter in a box types \\r\\n, so write \\r\\n for\n"
       "a line break that looks like one typed (a lone \\n is kept as a lone \\n). When a box\n"
       "does not take the whole text (an edit box holds a limited number of characters), the\n"
       "command fails. FILE is a path or a file:// location.\n",
       run_prefs, true},
  };
  return table;
}

const Command& command_named(const char* name) {
  for (const Command& command : commands()) {
    if (std::string(command.name) == name)
      return command;
  }
  return commands().front();
}

int usage_error(const Command& command, const std::string& problem) {
  std::fprintf(stderr, "tessaly %s: %s\nusage: tessaly %s %s\n", command.name, problem.c_str(),
               command.name, command.usage);
  return kUsageError;
}

namespace {

void print_usage(std::FILE* out) {
  std::fprintf(out, "usage: tessaly [--profile DIR] [--components DIR] COMMAND [ARGS]\n\n"
                    "Commands:\n");
  for (const Command& command : commands())
    std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
  std::fprintf(out,
               "\nOptions:\n"
               "  --profile DIR     the profile folder (default: $TESSALY_PROFILE, else\n"
               "                    $XDG_CONFIG_HOME/tessaly or ~/.config/tessaly)\n"
               "  --components DIR  where modules are loaded from (default: components/ beside\n"
               "                    tessaly)\n"
               "\n'tessaly COMMAND --help' describes a command. Exit status: 0 done, 1 the job\n"
               "failed or a module posted an error message, 2 a usage error.\n");
}

} // namespace

int run_tessaly(const std::vector<std::string>& argv) {
  HostOptions options;
  size_t i = 1;
  for (; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      print_usage(stdout);
      return kDone;
    }
    if (arg == "--profile" || arg == "--components") {
      if (i + 1 >= argv.size()) {
        std::fprintf(stderr, "tessaly: %s needs a folder\n", arg.c_str());
        return kUsageError;
      }
      (arg == "--profile" ? options.profile : options.components) = argv[++i];
      continue;
    }
    if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "tessaly: unknown option %s\n", arg.c_str());
      print_usage(stderr);
      return kUsageError;
    }
    break;
  }
  if (i >= argv.size()) {
    print_usage(stderr);
    return kUsageError;
  }
  const Command* command = nullptr;
  for (const Command& candidate : commands()) {
    if (argv[i] == candidate.name)
      command = &candidate;
  }
  if (!command) {
    std::fprintf(stderr, "tessaly: unknown command '%s'\n", argv[i].c_str());
    print_usage(stderr);
    return kUsageError;
  }
  Arguments arguments(argv.begin() + static_cast<long>(i) + 1, argv.end());
  for (const std::string& arg : arguments) {
    if (arg == "--help" || arg == "-h") {
      std::printf("usage: tessaly %s %s\n%s\n%s", command->name, command->usage, command->summary,
                  command->help);
      return kDone;
    }
  }

  int status;
  {
    Host host(options);
    if (!host.start())
      return kFailed;
    status = command->run(host, arguments);
    if (status != kUsageError && command->saves_configuration && !host.save_configuration())
      status = kFailed;
    if (status == kDone && host.messages().error_posted())
      status = kFailed;
  }
  // Everything handed to a module must have come back by now.
  std::string left = Audit::instance().report();
  if (!left.empty()) {
    Host::report("audit: not given back: " + left);
    return kFailed;
  }
  return status;
}

} // namespace tessaly
