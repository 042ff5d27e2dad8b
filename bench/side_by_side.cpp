// Times the safe-section rewrite through process_entry against a plain escaper and memcpy of the
// same bytes, all built by one compiler with the same flags and run in this one process, so that
// every ratio compares figures of the same machine, moment and code generation. Each figure is the
// median of 11 rounds, and a round takes every figure once, so that a slow moment of the shared
// machine falls on all of them alike. Prints one JSON object per line; scripts/bench reads them.
// process_entry always gets a string of the host's making on a heap of the host's own
// (host_string.h), as the player hands it over: for the table rows one string reused or a new one
// for every entry, and for the entries of 150 bytes and the hostile entries of nested sections,
// which are timed per output byte, a new one each.
//
//   vorlane_side_by_side [--quick]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "anchors.h"
#include "base/utf8_string.h"
#include "config/config_var.h"
#include "format/custom_output_format.h"
#include "format/safe_sections.h"
#include "host_string.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// One figure: a run times `repeats` units of work and gives the seconds of one unit.
struct Figure {
  Figure(std::string name_, size_t bytes_, std::function<double()> run_, size_t output_ = 0)
      : name(std::move(name_)), bytes(bytes_), output(output_), run(std::move(run_)) {}
  std::string name;
  size_t bytes;  // per unit
  size_t output; // bytes written per unit, where that differs from bytes
  std::function<double()> run;
  std::vector<double> samples;
};

// Keeps the compiler from dropping work whose result nothing reads.
volatile unsigned sink;
void consume(const void* data, size_t size) {
  if (size > 0)
    sink = sink + static_cast<const unsigned char*>(data)[size - 1];
}

const size_t kEntries = 4096; // entries per run of the one-entry figures

// The bytes that process_entry leaves of text, line end included.
size_t rewritten_length(const std::string& text) {
  vorlane::Utf8String probe;
  probe.assign(text.data(), static_cast<uint32_t>(text.size()));
  vorlane::apply_safe_sections(probe);
  return probe.length() + 2;
}

// The seconds of one process_entry over `repeats` rewrites, each of the entry that prepare
// fills outside the timing.
template <typename Prepare>
double time_rewrites(vorlane::CustomOutputFormat* format, int repeats, Prepare prepare) {
  double total = 0;
  for (int i = 0; i < repeats; ++i) {
    bench::HostString& entry = prepare();
    Clock::time_point t0 = Clock::now();
    format->process_entry(&entry, 0, nullptr);
    total += seconds(t0, Clock::now());
    consume(entry.text(), entry.length());
  }
  return total / repeats;
}

// process_entry on a string made as the host makes one, fresh for each rewrite of text: on
// storage as the reservation rule leaves it after an assign, or (exact) with no room beyond the
// text's NUL, the least the rule leaves: a longer text cut back gives its spare away.
double through_host_string(vorlane::CustomOutputFormat* format, const std::string& text,
                           int repeats, bool exact = false) {
  std::unique_ptr<bench::HostString> entry;
  const std::string longer = exact ? text + std::string(64, ' ') : text;
  return time_rewrites(format, repeats, [&]() -> bench::HostString& {
    entry = std::make_unique<bench::HostString>();
    entry->assign(longer.data(), static_cast<uint32_t>(longer.size()));
    entry->truncate(static_cast<uint32_t>(text.size()));
    return *entry;
  });
}

} // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const int rounds = quick ? 5 : 11;
  vorlane::settings::autocrlf.set_value(1);
  // One output-format object for each kind of text, as one export of each would have: the
  // object's buffers then see texts of one size, as in an export.
  vorlane::CustomOutputFormat* formats[3] = {vorlane::CustomOutputFormat::create(),
                                             vorlane::CustomOutputFormat::create(),
                                             vorlane::CustomOutputFormat::create()};
  for (vorlane::CustomOutputFormat* format : formats) {
    if (!format)
      return 1;
  }
  int next_format = 0;
  vorlane::CustomOutputFormat* host_formats[10];
  for (vorlane::CustomOutputFormat*& format : host_formats) {
    format = vorlane::CustomOutputFormat::create();
    if (!format)
      return 1;
  }
  int next_host_format = 0;

  std::vector<Figure> figures;
  std::vector<std::string> inputs;
  inputs.reserve(16); // never more, so that references to the inputs stay valid

  // Whole texts of table rows, each rewritten through process_entry from a fresh copy; the copy
  // into the entry is not timed.
  for (size_t size : {size_t{1} << 20, size_t{16} << 20}) {
    const std::string label = size == (size_t{1} << 20) ? "1MiB" : "16MiB";
    const int repeats = size == (size_t{1} << 20) ? 8 : 1;
    inputs.push_back(bench::markup(size, true));
    const std::string& input = inputs.back();
    inputs.push_back(bench::markup(size, false));
    const std::string& plain = inputs.back();
    vorlane::CustomOutputFormat* format = formats[next_format++];
    auto entry = std::make_shared<bench::HostString>();
    auto through_process_entry = [=](const std::string& text) {
      return time_rewrites(format, repeats, [&]() -> bench::HostString& {
        entry->assign(text.data(), static_cast<uint32_t>(text.size()));
        return *entry;
      });
    };
    figures.push_back({"rewrite_" + label, size, [=] { return through_process_entry(input); },
                       rewritten_length(input)});
    figures.push_back(
        {"rewrite_no_marker_" + label, size, [=] { return through_process_entry(plain); }});
    auto out = std::make_shared<std::string>();
    bench::plain_escape(input, *out); // the capacity every run reuses
    figures.push_back({"escaper_" + label, size, [=] {
                         Clock::time_point t0 = Clock::now();
                         for (int i = 0; i < repeats; ++i) {
                           bench::plain_escape(input, *out);
                           consume(out->data(), out->size());
                         }
                         return seconds(t0, Clock::now()) / repeats;
                       }});
    auto copy = std::make_shared<std::vector<char>>(size);
    figures.push_back({"memcpy_" + label, size, [=] {
                         Clock::time_point t0 = Clock::now();
                         for (int i = 0; i < repeats; ++i) {
                           std::memcpy(copy->data(), input.data(), size);
                           consume(copy->data(), size);
                         }
                         return seconds(t0, Clock::now()) / repeats;
                       }});
    // The C runtime's memchr over the same bytes, which the walk no longer calls: the part of the
    // former figures that it took.
    figures.emplace_back("memchr_" + label, size, [=] {
      Clock::time_point t0 = Clock::now();
      for (int i = 0; i < repeats; ++i)
        consume(std::memchr(input.data(), '\0', size) ? "x" : "", 1);
      return seconds(t0, Clock::now()) / repeats;
    });
    // The rewrite with each scan, for the diagnosis: no process_entry around it, the copy into
    // the host's string included.
    for (vorlane::SectionScan scan : {vorlane::SectionScan::Words, vorlane::SectionScan::Sse2}) {
      if (!vorlane::section_scan_available(scan))
        continue;
      auto buffers = std::make_shared<vorlane::SafeSectionBuffers>();
      buffers->scan = scan;
      figures.push_back(
          {std::string("scan_") + vorlane::section_scan_name(scan) + "_" + label, size, [=] {
             double total = 0;
             for (int i = 0; i < repeats; ++i) {
               entry->assign(input.data(), static_cast<uint32_t>(input.size()));
               Clock::time_point t0 = Clock::now();
               vorlane::apply_safe_sections_then_append(*entry, *buffers, "\r\n");
               total += seconds(t0, Clock::now());
               consume(entry->text(), entry->length());
             }
             return total / repeats;
           }});
    }
  }

  // The same rows in strings that the host made, as Telvane hands each entry over: a new string
  // for every entry, on the host's own storage as the string's reservation rule leaves it. Made
  // and destroyed outside the timing, and with an output-format object of their own.
  for (size_t size : {size_t{1} << 20, size_t{16} << 20}) {
    const std::string label = size == (size_t{1} << 20) ? "1MiB" : "16MiB";
    const int repeats = size == (size_t{1} << 20) ? 8 : 1;
    const std::string& input = size == (size_t{1} << 20) ? inputs[0] : inputs[2];
    vorlane::CustomOutputFormat* format = host_formats[next_host_format++];
    figures.push_back({"host_rewrite_" + label, size,
                       [=, &input] { return through_host_string(format, input, repeats); },
                       rewritten_length(input)});
    vorlane::CustomOutputFormat* exact_format = host_formats[next_host_format++];
    figures.push_back(
        {"host_exact_rewrite_" + label, size,
         [=, &input] { return through_host_string(exact_format, input, repeats, true); },
         rewritten_length(input)});
  }

  // Hostile entries of nested sections, each in a string the host made; per output byte.
  for (const char* shape : {"amps", "lts", "joins"}) {
    for (int n : {1000, 3000}) {
      inputs.push_back(bench::nested(shape, n));
      const std::string& input = inputs.back();
      const int repeats = n == 1000 ? 8 : 1;
      vorlane::CustomOutputFormat* format = host_formats[next_host_format++];
      figures.push_back({std::string("nested_") + shape + "_" + std::to_string(n), input.size(),
                         [=, &input] { return through_host_string(format, input, repeats); },
                         rewritten_length(input)});
    }
  }

  // One entry of 150 bytes, as Telvane hands each one over in a string of its own: a run
  // rewrites kEntries prepared strings, line end included.
  vorlane::CustomOutputFormat* format = formats[next_format];
  for (bool with_sections : {true, false}) {
    inputs.push_back(bench::entry_150(with_sections));
    const std::string& input = inputs.back();
    auto entries = std::make_shared<std::vector<bench::HostString>>(kEntries);
    figures.push_back({with_sections ? "entry" : "entry_no_marker", input.size(), [=] {
                         for (bench::HostString& e : *entries)
                           e.assign(input.data(), static_cast<uint32_t>(input.size()));
                         Clock::time_point t0 = Clock::now();
                         for (bench::HostString& e : *entries)
                           format->process_entry(&e, 0, nullptr);
                         double total = seconds(t0, Clock::now());
                         consume(entries->back().text(), entries->back().length());
                         return total / kEntries;
                       }});
    if (!with_sections)
      continue;
    auto out = std::make_shared<std::string>();
    bench::plain_escape(input, *out);
    figures.push_back({"escaper_entry", input.size(), [=] {
                         Clock::time_point t0 = Clock::now();
                         for (size_t i = 0; i < kEntries; ++i) {
                           bench::plain_escape(input, *out);
                           consume(out->data(), out->size());
                         }
                         return seconds(t0, Clock::now()) / kEntries;
                       }});
    figures.emplace_back("memchr_entry", input.size(), [=] {
      Clock::time_point t0 = Clock::now();
      for (size_t i = 0; i < kEntries; ++i)
        consume(std::memchr(input.data(), '\0', input.size()) ? "x" : "", 1);
      return seconds(t0, Clock::now()) / kEntries;
    });
    auto copy = std::make_shared<std::vector<char>>(input.size() + 2);
    figures.push_back({"memcpy_entry", input.size(), [=] {
                         Clock::time_point t0 = Clock::now();
                         for (size_t i = 0; i < kEntries; ++i) {
                           std::memcpy(copy->data(), input.data(), input.size());
                           std::memcpy(copy->data() + input.size(), "\r\n", 2);
                           consume(copy->data(), copy->size());
                         }
                         return seconds(t0, Clock::now()) / kEntries;
                       }});
  }

  for (Figure& f : figures) // warm: storage grown, pages touched, caches filled
    f.run();
  for (int r = 0; r < rounds; ++r) {
    for (Figure& f : figures)
      f.samples.push_back(f.run());
  }

  std::printf("{\"scan\": \"%s\", \"pointer_bits\": %u, \"compiler\": \"%s\"}\n",
              vorlane::section_scan_name(vorlane::best_section_scan()),
              static_cast<unsigned>(8 * sizeof(void*)), __VERSION__);
  for (Figure& f : figures) {
    std::vector<double> s = f.samples;
    std::sort(s.begin(), s.end());
    std::printf("{\"name\": \"%s\", \"bytes\": %zu, \"output_bytes\": %zu, \"median_s\": %.6g, "
                "\"min_s\": %.6g}\n",
                f.name.c_str(), f.bytes, f.output ? f.output : f.bytes, s[s.size() / 2], s.front());
  }
  for (vorlane::CustomOutputFormat* format : formats)
    format->release();
  for (vorlane::CustomOutputFormat* format : host_formats)
    format->release();
  return 0;
}
