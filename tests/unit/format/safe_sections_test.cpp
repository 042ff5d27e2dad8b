#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/safe_section_rows.h"
#include "format/safe_sections.h"
#include "format/safe_sections_oracle.h"
#include "support/allocation_failures.h"

using vorlane::Utf8String;

namespace {

// The string's bytes by its length, embedded NULs included.
std::string bytes_of(const Utf8String& s) {
  return std::string(s.text(), s.length());
}

void make(Utf8String& s, const std::string& bytes) {
  s.reset();
  s.insert_text(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// With the scan that the test's parameter names (see SafeSectionScans), else the best one.
vorlane::SectionScan tested_scan = vorlane::SectionScan::Best;

std::string rewrite(const std::string& text) {
  Utf8String s;
  make(s, text);
  vorlane::SafeSectionBuffers buffers;
  buffers.scan = tested_scan;
  vorlane::apply_safe_sections(s, buffers);
  return bytes_of(s);
}

std::string rewrite_by_oracle(const std::string& text) {
  Utf8String s;
  make(s, text);
  oracle::apply_safe_sections(s);
  return bytes_of(s);
}

// Shows control bytes, so that a failure with an embedded NUL is readable.
std::string visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// A small deterministic generator, the same on every target and standard library.
class Random {
public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint32_t next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }
  uint32_t below(uint32_t n) { return next() % n; }

private:
  uint64_t state_;
};

struct Row {
  std::string before;
  std::string after;
};

const std::vector<Row> kMoreRows = {
    // Beyond the table: quotes stay, multi-byte text passes through, sections chain.
    {"@htmlsafe{\"'}", "\"'"},
    {"@htmlsafe{\xC3\xA9<\xE2\x82\xAC}", "\xC3\xA9&lt;\xE2\x82\xAC"},
    {"@htmlsafe{&&}", "&amp;&amp;"},
    {"@htmlsafe{<>&}", "&lt;&gt;&amp;"},
    {"a}b@htmlsafe{", "a}b@htmlsafe{"},
    {"@htmlsafe{a}@htmlsafe{b}@htmlsafe{c}", "abc"},
    // Each inner marker pairs with the next brace in a later pass: escaped three times.
    {"@htmlsafe{@htmlsafe{@htmlsafe{<}}}", "&amp;amp;lt;"},
    // The joined pieces form a new marker, which a later pass handles.
    {"@htmlsafe@htmlsafe{{}}", ""},
    {"@@htmlsafe{htmlsafe{}<}", "&lt;"},
    // Markers that form one after another, each further back in the kept head.
    {"@htm@htmlsaf@htmlsafe{e{}lsafe{}}", ""},
    {"@h@htm@htmlsaf@htmlsafe{e{}lsafe{}tmlsafe{}}<", "<"},
    {"@htmlsafe{\r\n}", "\r\n"},
    // An "@" that begins no marker, in the contents and just before a marker.
    {"@htmlsafe{mail@example.org <x>}", "mail@example.org &lt;x&gt;"},
    {"@@htmlsafe{<}", "@&lt;"},
    // Markers that a pass makes after sections without any: at a join, and in the contents.
    {"a@htmlsafe{b}c@htmlsafe@htmlsafe{{<}}", "abc&amp;lt;"},
    {"a@htmlsafe{b}@htmlsafe{x@html}safe{<}", "abx&lt;"},
};

const std::vector<Row>& table() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> all;
    for (const test_support::SafeSectionRow& row : test_support::kSafeSectionRows)
      all.push_back({row.before, row.after});
    all.insert(all.end(), kMoreRows.begin(), kMoreRows.end());
    return all;
  }();
  return rows;
}

// Each scan on every machine that can run it: the walk's results must not depend on it.
class SafeSectionScans : public testing::TestWithParam<vorlane::SectionScan> {
protected:
  void SetUp() override {
    if (!vorlane::section_scan_available(GetParam()))
      GTEST_SKIP() << vorlane::section_scan_name(GetParam()) << " does not run here";
    tested_scan = GetParam();
  }
  void TearDown() override { tested_scan = vorlane::SectionScan::Best; }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Scans, SafeSectionScans,
                         testing::Values(vorlane::SectionScan::Words, vorlane::SectionScan::Sse2),
                         [](const testing::TestParamInfo<vorlane::SectionScan>& info) {
                           return std::string(vorlane::section_scan_name(info.param));
                         });

TEST_P(SafeSectionScans, Table) {
  for (const Row& row : table())
    EXPECT_EQ(row.after, rewrite(row.before)) << "from: " << row.before;
}

TEST(SafeSections, OracleAgreesWithTheTable) {
  for (const Row& row : table())
    EXPECT_EQ(row.after, rewrite_by_oracle(row.before)) << "from: " << row.before;
}

TEST_P(SafeSectionScans, TextWithoutMarkerIsUnchanged) {
  const char* texts[] = {"",          "plain",     "a & b < c > d }", "}}}",       "@html safe{<}",
                         "@htmlsafe", "&lt;&amp;", "@htmlsafe}{<}",   "\xC3\xA9}<"};
  for (const char* text : texts) {
    Utf8String s;
    s.assign_text(text);
    const char* before = s.text();
    vorlane::SafeSectionBuffers buffers;
    buffers.scan = GetParam();
    vorlane::apply_safe_sections(s, buffers);
    EXPECT_STREQ(text, s.text());
    EXPECT_EQ(before, s.text()) << "the text was rebuilt although nothing changed";
  }
}

TEST_P(SafeSectionScans, ManySectionsInALongText) {
  std::string text, expected;
  for (int i = 0; i < 2000; ++i) {
    text += "<td>@htmlsafe{R&B <" + std::to_string(i) + ">}</td>";
    expected += "<td>R&amp;B &lt;" + std::to_string(i) + "&gt;</td>";
  }
  text += "@htmlsafe{open <";
  expected += "@htmlsafe{open <";
  EXPECT_EQ(expected, rewrite(text));
}

// The module's rewrite works in one linear walk; the oracle goes pass by pass. They must agree
// on every text, including markers that only come into being when the pieces are joined, nested
// and unclosed sections, multi-byte text, and embedded NUL bytes.
TEST_P(SafeSectionScans, AgreesWithTheOracle) {
  static const char* const fragments[] = {
      "@", "@html", "@htmlsafe{", "@htmlsafe{", "}", "}", "&", "<", ">", "a", "b", "x", "{",
      "safe{", "htmlsafe{", "html", "@h", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
      "&lt;", "e", "@@",
      // Pieces of a marker, so that joining head, contents and tail can form a new one.
      "@htmlsafe", "htmlsafe", "safe", "@htm", "lsafe{", "e{", "@htmlsaf"};
  const uint32_t fragment_count = sizeof fragments / sizeof fragments[0];
  Random random(20240611);
  int with_nul = 0, changed = 0;
  for (int i = 0; i < 30000; ++i) {
    std::string text;
    uint32_t pieces = random.below(i < 10000 ? 12 : 48);
    for (uint32_t p = 0; p < pieces; ++p) {
      if (random.below(60) == 0) {
        text += '\0';
        continue;
      }
      text += fragments[random.below(fragment_count)];
    }
    with_nul += text.find('\0') != std::string::npos;
    std::string expected = rewrite_by_oracle(text);
    changed += expected != text;
    std::string got = rewrite(text);
    ASSERT_EQ(visible(expected), visible(got)) << "case " << i << ", from: " << visible(text);
  }
  // The generator must reach the interesting cases, or the comparison proves little.
  EXPECT_GT(with_nul, 1500);
  EXPECT_GT(changed, 7500);
}

// Long plain runs reach the scans that read many bytes at a time, heads longer than those scans
// look ahead, sections with many entities, and texts large enough to be handed over whole.
TEST_P(SafeSectionScans, AgreesWithTheOracleOnLongTexts) {
  static const char* const pieces[] = {"@htmlsafe{", "@htmlsafe{", "}",       "}",  "@",
                                       "@html",      "htmlsafe{",  "safe{",   "e{", "&",
                                       "<",          ">",          "\xC3\xA9"};
  const uint32_t piece_count = sizeof pieces / sizeof pieces[0];
  static const char run_bytes[] = "abcdefghijklmnopqrstuvwxyz &<>@";
  Random random(7);
  int large = 0, with_nul = 0;
  for (int i = 0; i < 60; ++i) {
    std::string text;
    uint32_t target = 100 + random.below(i < 20 ? 4000 : 30000);
    // From case 40 on, a NUL now and then: each scan of the walk has to notice it.
    const uint32_t nul_every = i < 40 ? 0 : 40 + 40 * (i % 4);
    while (text.size() < target) {
      if (nul_every && random.below(nul_every) == 0)
        text += '\0';
      if (random.below(3) == 0) {
        text += pieces[random.below(piece_count)];
        continue;
      }
      uint32_t run = random.below(random.below(8) == 0 ? 300 : 40);
      for (uint32_t k = 0; k < run; ++k)
        text += run_bytes[random.below(random.below(4) == 0 ? 31 : 27)];
    }
    std::string expected = rewrite_by_oracle(text);
    large += expected.size() >= 16 << 10;
    with_nul += text.find('\0') != std::string::npos;
    ASSERT_EQ(visible(expected), visible(rewrite(text))) << "case " << i;
  }
  EXPECT_GT(large, 5);
  EXPECT_GT(with_nul, 15);
}

namespace {

// A string whose text goes on behind its length, as the storage of a string made elsewhere may.
class UnterminatedString : public Utf8String {
public:
  UnterminatedString(const std::string& shown, uint32_t length) : shown_(shown) {
    insert_text(0, shown.data(), length);
  }
  const char* text() const override { return shown_.c_str(); }

private:
  std::string shown_;
};

} // namespace

// Every pass, the one for texts with a NUL included, reads no byte beyond the string's length;
// there the pieces of a pass also end at the first NUL.
TEST_P(SafeSectionScans, StopsAtTheLength) {
  struct Case {
    std::string shown;
    uint32_t length;
    std::string after;
  };
  const Case cases[] = {
      {std::string("a\0@htmlsafe{<}XY", 16), 14, "a&lt;"},
      {std::string("a\0@htmlsafe{<}@htmlsafe{>}XY", 28), 26, "a&lt;&gt;"},
      {"@htmlsafe{<}XY", 12, "&lt;"},
  };
  vorlane::SafeSectionBuffers buffers;
  buffers.scan = GetParam();
  for (const Case& c : cases) {
    UnterminatedString s(c.shown, c.length);
    vorlane::apply_safe_sections(s, buffers);
    EXPECT_EQ(visible(c.after), visible(std::string(s.Utf8String::text(), s.length())))
        << "from: " << visible(c.shown.substr(0, c.length));
  }
}

// The suffix follows the rewritten text, the text without sections, and the text with a NUL.
TEST_P(SafeSectionScans, ThenAppend) {
  const std::string texts[] = {"plain",
                               "",
                               "x@htmlsafe{<}",
                               "@htmlsafe{open <",
                               "@htmlsafe@htmlsafe{{<}}",
                               std::string("@htmlsafe{a\0b}c", 15),
                               std::string(20000, '<') + "@htmlsafe{&}"};
  vorlane::SafeSectionBuffers buffers;
  buffers.scan = GetParam();
  for (const char* suffix : {"\r\n", ""}) {
    for (const std::string& text : texts) {
      Utf8String s;
      make(s, text);
      vorlane::apply_safe_sections_then_append(s, buffers, suffix);
      EXPECT_EQ(visible(rewrite_by_oracle(text) + suffix), visible(bytes_of(s)))
          << "from: " << visible(text.substr(0, 40));
    }
  }
}

using SafeSectionsFailures = fake::AllocationFailures;

// With the Nth allocation failing, the text is either rewritten completely or left as it was.
TEST_F(SafeSectionsFailures, RewriteIsAllOrNothing) {
  std::string large;
  while (large.size() < 20000)
    large += "<td>@htmlsafe{R&B <i>}</td>";
  // Deep enough to be counted first, and with a result large enough to be handed over whole.
  std::string deep;
  for (int i = 0; i < 70; ++i)
    deep += "@htmlsafe{";
  deep += std::string(70, '&') + std::string(70, '}');
  const std::string texts[] = {
      "x@htmlsafe{a<b & c>d}y and @htmlsafe{" + std::string(100, '<') + "} tail",
      std::string("@htmlsafe{a\0b}c@htmlsafe{<}", 27),
      "a@htmlsafe{b}c@htmlsafe@htmlsafe{{<}} and a tail long enough to be read in chunks",
      large,
      deep,
  };
  for (const std::string& text : texts) {
    const std::string expected = rewrite_by_oracle(text);
    for (uint32_t n = 1; n < 200; ++n) {
      SCOPED_TRACE(testing::Message() << "allocation " << n << " fails, from: " << visible(text));
      Utf8String s;
      make(s, text);
      vorlane::fail_allocation(n, false);
      vorlane::apply_safe_sections(s);
      bool failed = vorlane::allocation_failed();
      vorlane::fail_allocation(0, false);
      std::string got = bytes_of(s);
      if (!failed) {
        EXPECT_EQ(visible(expected), visible(got));
        break;
      }
      EXPECT_TRUE(got == text || got == expected) << visible(got);
    }
  }
}

// Buffers that earlier texts warmed hold a block that may be too small for the next text: a
// failure to grow it leaves the text as it was, or the text is rewritten whole.
TEST_F(SafeSectionsFailures, WarmedBuffersAreAllOrNothing) {
  std::string deep;
  for (int i = 0; i < 40; ++i)
    deep += "@htmlsafe{";
  deep += std::string(400, '<') + std::string(40, '}');
  struct Case {
    std::string warm, text;
  };
  const Case cases[] = {
      // The text before the first marker outgrows the 16 KiB that the first one left.
      {"@htmlsafe{x}" + std::string(9000, 'a'), std::string(20000, 'b') + "@htmlsafe{<}"},
      {"@htmlsafe{x}" + std::string(9000, 'a'), std::string(20000, 'b') + deep},
  };
  for (const Case& c : cases) {
    const std::string expected = rewrite_by_oracle(c.text);
    for (uint32_t n = 1; n < 100; ++n) {
      SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
      vorlane::SafeSectionBuffers buffers;
      Utf8String warm, s;
      make(warm, c.warm);
      vorlane::apply_safe_sections(warm, buffers);
      make(s, c.text);
      vorlane::fail_allocation(n, false);
      vorlane::apply_safe_sections(s, buffers);
      bool failed = vorlane::allocation_failed();
      vorlane::fail_allocation(0, false);
      std::string got = bytes_of(s);
      EXPECT_TRUE(got == c.text || got == expected) << visible(got.substr(0, 40));
      if (!failed)
        break;
    }
  }
}

// The rewriting and the suffix are each done whole or not at all.
TEST_F(SafeSectionsFailures, ThenAppendDoesEachStepWholeOrNotAtAll) {
  const std::string texts[] = {"x@htmlsafe{a<b & c>d}y", "@htmlsafe@htmlsafe{{<}} tail",
                               std::string(20000, '>') + "@htmlsafe{&}"};
  for (const std::string& text : texts) {
    const std::string rewritten = rewrite_by_oracle(text);
    int failures = 0;
    for (uint32_t n = 1; n < 200; ++n) {
      SCOPED_TRACE(testing::Message()
                   << "allocation " << n << " fails, from: " << text.substr(0, 30));
      vorlane::SafeSectionBuffers buffers;
      Utf8String s;
      make(s, text);
      vorlane::fail_allocation(n, false);
      vorlane::apply_safe_sections_then_append(s, buffers, "\r\n");
      bool failed = vorlane::allocation_failed();
      vorlane::fail_allocation(0, false);
      std::string got = bytes_of(s);
      if (!failed) {
        EXPECT_EQ(rewritten + "\r\n", got);
        break;
      }
      ++failures;
      EXPECT_TRUE(got == text || got == text + "\r\n" || got == rewritten ||
                  got == rewritten + "\r\n")
          << got.substr(0, 40);
    }
    EXPECT_GT(failures, 0);
  }
}

namespace {

const std::string kM = "@htmlsafe{";

std::string repeat(const std::string& piece, int n) {
  std::string out;
  out.reserve(piece.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    out += piece;
  return out;
}

// "&" inside d sections that the passes rewrite around it, and "<" or ">" as well.
// (Built by appending: gcc 12 warns falsely about a literal plus a string.)
std::string amp_at(int d) {
  return std::string("&").append(repeat("amp;", d));
}
std::string angle_at(int d, const char* name) {
  return std::string("&").append(repeat("amp;", d - 1)).append(name);
}

// Sections nested n deep, each the way the passes see them, with their results in closed form.
struct Shape {
  const char* name;
  std::string (*text)(int n);
  std::string (*after)(int n);
};

// Every section but the innermost begins with a marker that only forms once the empty section
// between its halves is gone.
std::string joined(int n) {
  return repeat(std::string("@html").append(kM).append("}safe{"), n)
      .append("<")
      .append(std::string(n, '}'));
}

const Shape kShapes[] = {
    {"amps", [](int n) { return repeat(kM, n) + std::string(n, '&') + std::string(n, '}'); },
     [](int n) { return repeat(amp_at(n), n); }},
    {"lts", [](int n) { return repeat(kM, n) + std::string(n, '<') + std::string(n, '}'); },
     [](int n) { return repeat(angle_at(n, "lt;"), n); }},
    {"gts", [](int n) { return repeat(kM, n) + std::string(n, '>') + std::string(n, '}'); },
     [](int n) { return repeat(angle_at(n, "gt;"), n); }},
    {"staircase", [](int n) { return repeat(kM + "&", n) + std::string(n, '}'); },
     [](int n) {
       std::string out;
       for (int d = 1; d <= n; ++d)
         out += amp_at(d);
       return out;
     }},
    // Each "{" ends a marker once the marker before it is gone.
    {"markers made at joins",
     [](int n) {
       return repeat("@htmlsafe", n) + std::string(n, '{') + "<>" + std::string(n, '}');
     },
     [](int n) { return angle_at(n, "lt;") + angle_at(n, "gt;"); }},
    {"joined across removed sections", [](int n) { return joined(n) + "x"; },
     [](int n) { return angle_at(n, "lt;") + "x"; }},
    // A NUL ends every piece of the first pass: what follows it goes.
    {"amps, then a NUL",
     [](int n) {
       return repeat(kM, n) + std::string(n, '&') + std::string(n, '}') + std::string(1, '\0') +
              "@htmlsafe{<}";
     },
     [](int n) { return repeat(amp_at(n), n); }},
    // Open sections: the first that has no "}" and everything behind it stay.
    {"open after an empty one",
     [](int n) { return kM + "}" + repeat(kM, n) + std::string(n, '&'); },
     [](int n) { return repeat(kM, n) + std::string(n, '&'); }},
    {"one brace for many", [](int n) { return repeat(kM, n) + std::string(n, '&') + "}<"; },
     [](int n) { return repeat(kM, n - 1) + repeat("&amp;", n) + "<"; }},
};

} // namespace

// The closed forms hold for the passes themselves, checked where they are cheap.
TEST(SafeSections, OracleAgreesWithTheNestedShapes) {
  for (const Shape& shape : kShapes) {
    for (int n = 1; n <= 12; ++n)
      EXPECT_EQ(shape.after(n), rewrite_by_oracle(shape.text(n))) << shape.name << ", n = " << n;
  }
}

TEST_P(SafeSectionScans, NestedShapes) {
  for (const Shape& shape : kShapes) {
    for (int n : {1, 2, 3, 17, 1000, 3000}) {
      std::string got = rewrite(shape.text(n));
      std::string expected = shape.after(n);
      ASSERT_EQ(expected.size(), got.size()) << shape.name << ", n = " << n;
      ASSERT_TRUE(expected == got)
          << shape.name << ", n = " << n << ", first difference at "
          << std::mismatch(expected.begin(), expected.end(), got.begin()).first - expected.begin();
    }
  }
}

// Texts of many sections inside each other, with markers that form at the joins, against the
// passes themselves.
TEST_P(SafeSectionScans, NestedTextsAgreeWithTheOracle) {
  static const char* const pieces[] = {"@htmlsafe{", "@htmlsafe{", "@htmlsafe{", "}", "}",
                                       "}",          "&",          "<",          ">", "a",
                                       "@html",      "safe{",      "@htmlsafe",  "{", "e{"};
  const uint32_t piece_count = sizeof pieces / sizeof pieces[0];
  Random random(31337);
  int deep = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    uint32_t count = 1 + random.below(i < 10000 ? 16 : 64);
    for (uint32_t p = 0; p < count; ++p)
      text += pieces[random.below(piece_count)];
    std::string expected = rewrite_by_oracle(text);
    deep += expected.find("&amp;amp;") != std::string::npos;
    ASSERT_EQ(expected, rewrite(text)) << "case " << i << ", from: " << text;
  }
  EXPECT_GT(deep, 2000);
}

// A result beyond what a block may hold (2 GiB, or even 4 GiB) is not attempted: the text stays
// as it was, and the line end still follows it.
TEST_P(SafeSectionScans, AResultTooLargeLeavesTheTextAsItWas) {
  vorlane::SafeSectionBuffers buffers;
  buffers.scan = GetParam();
  for (int n : {23200, 33000}) {
    const std::string text = kShapes[0].text(n);
    Utf8String s;
    make(s, text);
    vorlane::apply_safe_sections_then_append(s, buffers, "\r\n");
    EXPECT_TRUE(bytes_of(s) == text + "\r\n") << "n = " << n << ": " << s.length() << " bytes";
  }
}

// A string's storage may be exactly as large as its text. The shorter rewrite and the line end go
// into it without growing it, and the block that served one entry serves the next of that size as
// it is: a rewrite that needs no more room succeeds with every allocation failing (only giving
// spare memory back is tried), where growing a block first would cost new memory on every entry.
TEST_F(SafeSectionsFailures, StorageAsLargeAsTheTextServesTheNextRewrite) {
  std::string rows;
  while (rows.size() < 40000)
    rows += "<td>@htmlsafe{R&B <i>}</td>";
  const std::string expected = rewrite_by_oracle(rows) + "\r\n";
  vorlane::SafeSectionBuffers buffers;
  for (int entry = 0; entry < 3; ++entry) {
    Utf8String s;
    // A longer text cut back: the reservation rule leaves no room beyond the text's NUL.
    make(s, rows + std::string(64, ' '));
    s.truncate(static_cast<uint32_t>(rows.size()));
    ASSERT_EQ(rows.size() + 1, s.storage().size());
    if (entry > 0)
      vorlane::fail_allocation(1, true);
    vorlane::apply_safe_sections_then_append(s, buffers, "\r\n");
    vorlane::fail_allocation(0, false);
    EXPECT_TRUE(bytes_of(s) == expected) << "entry " << entry;
  }
}
