// Growth ratios of the loops over data from outside: each row times one operation on an input of
// size n and on the same shape at 3n, and prints the ratio of the two times. Work in proportion
// to what is read and written gives a ratio near 3; quadratic work gives near 9. Inputs are built
// before timing; the shapes are the worst ones known for each loop.
//
//   vorlane_growth [--quick]     one JSON object per line: name, what, n, the two times, ratio
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/formatted_string.h"
#include "base/pointer_array.h"
#include "base/utf8_string.h"
#include "bench_host.h"
#include "config/config_var.h"
#include "format/extra_items.h"
#include "format/playlist_statistics.h"
#include "platform/win32.h"
#include "playlist/m3u_loader.h"
#include "prefs/preferences_page.h"
#include "prefs/resource.h"
#include "services/playlist_service.h"
#include "titleformat/extra_items.h"
#include "titleformat/location_uri.h"
#include "titleformat/title_format.h"

namespace {

using Operation = std::function<void()>;
// Builds the input of size n and returns the operation to time on it.
using Maker = std::function<Operation(size_t n)>;

struct Row {
  const char* name;
  const char* what;
  size_t n;
  Maker make;
};

volatile size_t sink_value;

void keep(size_t value) {
  sink_value = value;
}

// The thread's own processor time: the machine is shared, and wall time would count the others.
double cpu_seconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double seconds_of(const Operation& operation, int reps) {
  double start = cpu_seconds();
  for (int i = 0; i < reps; ++i)
    operation();
  return (cpu_seconds() - start) / reps;
}

// The smallest of several rounds: on a shared machine the others only ever add time.
double time_of(const Operation& operation, int reps, int rounds) {
  double best = 1e300;
  for (int r = 0; r < rounds; ++r)
    best = std::min(best, seconds_of(operation, reps));
  return best;
}

// The text as the inside of a JSON string.
std::string json_text(const char* text) {
  std::string out;
  for (; *text; ++text) {
    if (*text == '"' || *text == '\\')
      out += '\\';
    out += *text;
  }
  return out;
}

std::string repeated(const char* piece, size_t bytes) {
  std::string text;
  while (text.size() < bytes)
    text += piece;
  text.resize(bytes);
  return text;
}

// The title formatter with one variable, %t%, and a second, %f%.
tessaly::TitleLookup two_variables(const std::string& t, const std::string& f) {
  return [&t, &f](std::string_view name) -> std::optional<std::string> {
    if (name == "t")
      return t;
    if (name == "f")
      return f;
    return std::nullopt;
  };
}

Operation title_format(std::string format, std::string t, std::string f = "") {
  return [format = std::move(format), t = std::move(t), f = std::move(f)] {
    keep(tessaly::format_title_text(format, two_variables(t, f)).size());
  };
}

HWND edit_window() {
  static HWND edit = [] {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "VorlaneGrowthParent";
    RegisterClassA(&window_class);
    HWND parent = CreateWindowExA(0, "VorlaneGrowthParent", "", 0, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    return CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 100, 100, parent, nullptr,
                           nullptr, nullptr);
  }();
  return edit;
}

const Row kRows[] = {
    {"utf8_append_bytes", "Utf8String, n appends of one byte", 1 << 16,
     [](size_t n) -> Operation {
       return [n] {
         vorlane::Utf8String s;
         for (size_t i = 0; i < n; ++i)
           s.append("x", 1);
         keep(s.length());
       };
     }},
    {"scratch_append_bytes", "ScratchString, n appends of one byte", 1 << 16,
     [](size_t n) -> Operation {
       return [n] {
         vorlane::ScratchString s;
         for (size_t i = 0; i < n; ++i)
           s.append("x", 1);
         keep(s.length());
       };
     }},
    {"find_text_near_misses", "find_text of the marker in n bytes of @htmlsafe without its brace",
     1 << 16,
     [](size_t n) -> Operation {
       auto s = std::make_shared<vorlane::Utf8String>();
       std::string text = repeated("@htmlsafe", n);
       s->assign(text.c_str(), vorlane::kWholeText);
       return [s] { keep(s->find_text("@htmlsafe{", 0)); };
     }},
    {"format_into_text", "format_into, \"%s\" of n bytes", 1 << 16,
     [](size_t n) -> Operation {
       return [text = std::string(n, 'x')] {
         vorlane::FormattedString s("<%s>", text.c_str());
         keep(s.length());
       };
     }},
    {"pointer_array_append", "PointerArray, n entries appended", 1 << 16,
     [](size_t n) -> Operation {
       return [n] {
         vorlane::PointerArray list;
         for (size_t i = 0; i < n; ++i)
           list.insert_at(&list, list.count());
         keep(list.count());
       };
     }},
    {"extra_items_values", "ExtraItems, the twelve pairs with values of n bytes in all", 1 << 16,
     [](size_t n) -> Operation {
       return [value = std::string(n / 12, 'v')] {
         vorlane::ExtraItems items;
         for (int i = 0; i < 12; ++i)
           items.add_item("playlist_length_string", value.c_str(), -1);
         keep(items.bytes().size());
       };
     }},
    {"compute_statistics", "compute_statistics, n entries", 1 << 14,
     [](size_t n) -> Operation {
       auto host = std::make_shared<bench::Host>(n);
       return [host] {
         vorlane::ExtraItems items;
         vorlane::compute_statistics(items);
         keep(items.bytes().size());
       };
     }},
    {"config_load_records", "config_load_all, a block of n bytes in 16-byte records", 1 << 16,
     [](size_t n) -> Operation {
       // Records of an unknown name: each is parsed and compared, none is applied.
       std::string block;
       const char record[] = "\x04\0\0\0nope\x04\0\0\0abcd";
       while (block.size() + 16 <= n)
         block.append(record, 16);
       return [block = std::move(block)] {
         vorlane::config_load_all(block.data(), static_cast<uint32_t>(block.size()));
       };
     }},
    {"config_load_value", "config_load_all, one footer value of n bytes", 1 << 16,
     [](size_t n) -> Operation {
       std::string block = std::string("\x06\0\0\0", 4) + "footer";
       uint32_t length = static_cast<uint32_t>(n);
       for (int i = 0; i < 4; ++i)
         block += static_cast<char>(length >> (8 * i));
       block += std::string(n, 'f');
       return [block = std::move(block)] {
         vorlane::config_load_all(block.data(), static_cast<uint32_t>(block.size()));
         keep(std::strlen(vorlane::settings::footer.get_text()));
       };
     }},
    {"config_save", "config_save_all, a footer of n bytes", 1 << 16,
     [](size_t n) -> Operation {
       vorlane::settings::footer.set_text(std::string(n, 'f').c_str());
       return [] {
         vorlane::MemoryWriter writer;
         vorlane::config_save_all(writer);
         keep(writer.size());
       };
     }},
    {"page_edit_change", "the page's EN_CHANGE of the footer edit, n bytes in the edit", 1 << 16,
     [](size_t n) -> Operation {
       HWND edit = edit_window();
       SetWindowTextA(edit, std::string(n, 'e').c_str());
       return [edit] {
         vorlane::PreferencesDialogProc(nullptr, WM_COMMAND, MAKEWPARAM(IDC_FOOTER, EN_CHANGE),
                                        reinterpret_cast<LPARAM>(edit));
         keep(std::strlen(vorlane::settings::footer.get_text()));
       };
     }},
    {"host_handles", "the host's get_entries and release_handles, n entries", 1 << 14,
     [](size_t n) -> Operation {
       auto service = std::make_shared<tessaly::HostPlaylistService>();
       tessaly::Playlist playlist;
       playlist.entries.resize(n);
       service->set_playlist(std::move(playlist));
       return [service] {
         vorlane::PointerArray list;
         vorlane::AllEntriesMask all;
         service->get_entries(&list, &all);
         service->handles().release_handles(
             reinterpret_cast<vorlane::TrackHandle* const*>(list.data()), list.count());
         keep(list.count());
       };
     }},
    {"tf_plain", "format_title_text, n bytes of plain text", 1 << 16,
     [](size_t n) { return title_format(repeated("plain text, ", n), ""); }},
    {"tf_variable", "format_title_text, %t% of n bytes", 1 << 16,
     [](size_t n) { return title_format("<%t%>", std::string(n, 't')); }},
    {"tf_brackets", "format_title_text, %t% of n bytes inside 60 nested brackets", 1 << 16,
     [](size_t n) {
       return title_format(std::string(60, '[') + "%t%" + std::string(60, ']'),
                           std::string(n, 't'));
     }},
    {"tf_functions", "format_title_text, %t% of n bytes inside 60 nested $if2 calls", 1 << 16,
     [](size_t n) {
       std::string format = "%t%";
       for (int i = 0; i < 60; ++i)
         format = "$if2(" + format + ",x)";
       return title_format(format, std::string(n, 't'));
     }},
    {"tf_unclosed_calls", "n bytes of text inside calls nested to the depth limit, never closed",
     1 << 16,
     [](size_t n) {
       std::string format;
       for (int i = 0; i < tessaly::kMaxTitleFormatDepth; ++i)
         format += "$upper(%t%,";
       return title_format(format + repeated("plain text, ", n), "t");
     }},
    {"tf_calls_past_limit", "a format of n bytes: $if2(%t%, nested past the depth limit", 1 << 16,
     [](size_t n) { return title_format(repeated("$if2(%t%,", n), "t"); }},
    {"tf_replace_many", "$replace(%t%,a,bc) on n bytes, the result kept under its bound", 1 << 13,
     [](size_t n) { return title_format("$replace(%t%,a,bc)", repeated("ab", n)); }},
    {"tf_replace_near_misses", "$replace(%t%,%f%,x): %t% = a^n, %f% = a^(n/2) b", 1 << 13,
     [](size_t n) {
       return title_format("$replace(%t%,%f%,x)", std::string(n, 'a'),
                           std::string(n / 2, 'a') + "b");
     }},
    {"tf_replace_pairs", "$replace(%t%,...) with 8 pairs on a^n: one empty TO, so never cut",
     1 << 16,
     [](size_t n) {
       std::string format = "$replace(%t%";
       for (size_t i = 8; i > 1; --i) {
         format += ',';
         format.append(i, 'a');
         format += "b,x";
       }
       format += ",a,)";
       return title_format(format, std::string(n, 'a'));
     }},
    {"tf_uri", "$uri(%t%), a relative path of n bytes", 1 << 16,
     [](size_t n) { return title_format("$uri(%t%)", repeated("Caf\xC3\xA9 & Co/", n)); }},
    {"tf_json", "$json(%t%), n bytes", 1 << 16,
     [](size_t n) { return title_format("$json(%t%)", repeated("a\"b\\c\x01@", n)); }},
    {"m3u_parse", "parse_m3u, n bytes of EXTINF entries", 1 << 16,
     [](size_t n) -> Operation {
       std::string text = "#EXTM3U\n" + repeated("#EXTINF:123,Band - Song\nmusic/song.flac\n", n);
       return [text = std::move(text)] { keep(tessaly::parse_m3u(text, "/music").size()); };
     }},
    {"extra_items_parse", "parse_extra_items, n bytes of pairs", 1 << 16,
     [](size_t n) -> Operation {
       std::string text;
       while (text.size() < n)
         text.append("name=value\0", 11);
       text += '\0';
       return [text = std::move(text)] { keep(tessaly::parse_extra_items(text.c_str()).size()); };
     }},
};

} // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  // Only the rows whose names contain this text, when one is given.
  const char* only = argc > 2 ? argv[2] : "";
  const int rounds = quick ? 3 : 7;
  const double round_seconds = quick ? 0.01 : 0.04;
  for (const Row& row : kRows) {
    if (!std::strstr(row.name, only))
      continue;
    Operation small = row.make(row.n);
    // Repetitions that make one round of the small input last round_seconds.
    // A first run, untimed, leaves the heap as every later run finds it.
    small();
    double once = seconds_of(small, 1);
    int reps = static_cast<int>(std::clamp(round_seconds / std::max(once, 1e-9), 3.0, 1e6));
    double t1 = time_of(small, reps, rounds);
    Operation large = row.make(3 * row.n);
    large();
    double t3 = time_of(large, std::max(3, reps / 3), rounds);
    std::printf("{\"name\": \"%s\", \"what\": \"%s\", \"n\": %zu, \"seconds_n\": %.9g, "
                "\"seconds_3n\": %.9g, \"ratio\": %.3f}\n",
                row.name, json_text(row.what).c_str(), row.n, t1, t3, t3 / t1);
    std::fflush(stdout);
  }
  return 0;
}
