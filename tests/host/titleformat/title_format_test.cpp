#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "titleformat/extra_items.h"
#include "titleformat/title_format.h"
#include "titleformat/track_fields.h"

namespace tessaly {
namespace {

// title, artist known; empty known but empty; album unknown.
std::optional<std::string> sample(std::string_view name) {
  static const std::map<std::string, std::string, std::less<>> values = {
      {"title", "Song"},    {"artist", "Band"}, {"empty", ""},
      {"utf", "\xC3\xA9"},  {"num", "7"},       {"reserved", "#?[]@!$&'()*+,;=% ~"},
      {"pipes", "a|b\\c}d"}};
  auto it = values.find(name);
  if (it == values.end())
    return std::nullopt;
  return it->second;
}

// Formats from an exact-size copy, so reading past the end shows under AddressSanitizer.
std::string format(std::string_view text) {
  std::vector<char> exact(text.begin(), text.end());
  return format_title_text(std::string_view(exact.data(), exact.size()), sample);
}

struct Row {
  const char* format;
  const char* expected;
};

const Row kRows[] = {
    // Text and variables.
    {"plain text", "plain text"},
    {"%title%", "Song"},
    {"%album%", ""},
    {"%empty%", ""},
    {"%%", ""},
    {"%artist% - %title%", "Band - Song"},
    {"\xC3\xA9%title%\xE2\x82\xAC", "\xC3\xA9Song\xE2\x82\xAC"},
    // Brackets.
    {"[%title%]", "Song"},
    {"[by %artist%]", "by Band"},
    {"[%album%]", ""},
    {"[%empty%]", ""},
    {"[%artist% - %album%]", ""},
    {"[x]", "x"},
    {"[]", ""},
    {"a[b[%album%]c]d", "abcd"},
    {"[%album%[%title%]]", ""},
    {"[[%title%]%album%]", ""},
    {"x[a[b%album%]c]y", "xacy"},
    {"[%title%[%album%x]%title%]", "SongSong"},
    {"[a[b[%title%]c]%album%]d", "d"},
    {"[$if2(%album%,x)]", "x"},
    {"[$upper(%album%)y]", "y"},
    // Literals.
    {"'%title%'", "%title%"},
    {"'[a]$if(,)'", "[a]$if(,)"},
    {"''", "'"},
    {"a''b", "a'b"},
    {"'it''s'", "it's"},
    {"''''", "''"},
    {"'a'''", "a'"},
    {"[' - '%album%]", ""},
    // Characters special only in some places.
    {"a,b)c]", "a,b)c]"},
    {"50%", "50%"},
    {"%title% %", "Song %"},
    {"%title", "%title"},
    {"x$", "x$"},
    {"$5", "$5"},
    {"$(x)", "$(x)"},
    {"$upper", "$upper"},
    {"$up per(x)", "$up per(x)"},
    // Functions.
    {"$crlf()", "\r\n"},
    {"$tab()", "\t"},
    {"$char(65)", "A"},
    {"$char(233)", "\xC3\xA9"},
    {"$char(8364)", "\xE2\x82\xAC"},
    {"$char(128512)", "\xF0\x9F\x98\x80"},
    {"$char(0)", ""},
    {"$char(x)", ""},
    {"$char(55296)", ""},
    {"$char(1114112)", ""},
    {"$if(%title%,yes,no)", "yes"},
    {"$if(%album%,yes,no)", "no"},
    {"$if(%empty%,yes,no)", "no"},
    {"$if(%album%,yes)", ""},
    {"$if(,a,b)", "b"},
    {"$if( ,a,b)", "a"},
    {"$IF(1,a)", "a"},
    {"$if2(%album%,%title%)", "Song"},
    {"$if2(%artist%,%title%)", "Band"},
    {"$upper(%title% \xC3\xA9)", "SONG \xC3\xA9"},
    {"$lower(ABC \xC3\x89)", "abc \xC3\x89"},
    {"$len(%utf%x)", "2"},
    {"$len(\xF0\x9F\x98\x80)", "1"},
    {"$len(%album%)", "0"},
    {"$num(7,3)", "007"},
    {"$num(%num%,2)", "07"},
    {"$num(-7,3)", "-07"},
    {"$num(1234,2)", "1234"},
    {"$num(x,2)", "00"},
    {"$num(12ab,4)", "0012"},
    {"$num(5,-1)", "5"},
    {"$num(99999999999999999999999,1)", "1000000000000000000"},
    {"$upper($lower(AbC)$if(%title%,X))", "ABCX"},
    {"$if(%title%,[a,b],c)", "a,b"},
    {"$if(1,'a,b',c)", "a,b"},
    {"$if(%title%,'%',x)", "%"},
    {"$if(1,(x)", "(x"},
    // Arithmetic.
    {"$add(2,3)", "5"},
    {"$sub(2,5)", "-3"},
    {"$mul(%num%,1000)", "7000"},
    {"$div(7,2)", "3"},
    {"$div(-7,2)", "-3"},
    {"$mod(7,3)", "1"},
    {"$mod(-7,3)", "-1"},
    {"$div(1,0)", ""},
    {"$mod(1,0)", ""},
    {"$if($div(1,0),a,b)", "b"},
    {"$mul(x,3)", "0"},
    {"$ADD( 2,+3x)", "5"},
    {"$mul(3000000000,3000000000)", "1000000000000000000"},
    {"$mul(-3000000000,3000000000)", "-1000000000000000000"},
    {"$add(999999999999999999,999999999999999999)", "1000000000000000000"},
    {"$sub(-999999999999999999,999999999999999999)", "-1000000000000000000"},
    {"$div(-99999999999999999999,-1)", "1000000000000000000"},
    {"$add(1)", "[UNKNOWN FUNCTION]"},
    {"$mul(1,2,3)", "[UNKNOWN FUNCTION]"},
    // Replacement.
    {"$replace(%title%,o,0)", "S0ng"},
    {"$replace(%pipes%,\\,\\\\,|,\\|)", "a\\|b\\\\c}d"},
    {"$replace(aaa,a,aa)", "aaaaaa"},
    {"$replace(abab,ab,x,a,y)", "xx"},
    {"$replace(abab,a,y,ab,x)", "ybyb"},
    {"$replace(abc,,x)", "abc"},
    {"$replace(aaaaa,aa,b)", "bba"},
    {"$replace(ababab,abab,x)", "xab"},
    {"$replace(aaab,aab,x)", "ax"},
    {"$replace(abc,abcd,x)", "abc"},
    {"$replace(abcd,cd,x)", "abx"},
    {"$replace(xaaa,xa,1,aa,2)", "12"},
    {"$replace(aab,ab,2,aab,1)", "1"},
    {"$replace(abab,ab,1,ab,2)", "11"},
    {"$replace(%pipes%,},}}@htmlsafe{)", "a|b\\c}}@htmlsafe{d"},
    {"$replace(\xC3\xA9t\xC3\xA9,\xC3\xA9,e)", "ete"},
    {"$replace(%album%,a,b)", ""},
    {"$replace(a,b)", "[UNKNOWN FUNCTION]"},
    {"$replace(a,b,c,d)", "[UNKNOWN FUNCTION]"},
    // Comparison; texts for JSON and for XML.
    {"$greater(3,2)", "1"},
    {"$greater(2,2)", ""},
    {"$greater(-1,-2)", "1"},
    {"$greater(%num%,x)", "1"},
    {"$greater(1)", "[UNKNOWN FUNCTION]"},
    {"$json(a\"b\\c/d\xC3\xA9)", "a\\\"b\\\\c/d\xC3\xA9"},
    {"$json(x@htmlsafe{<}y)", "x\\u0040htmlsafe{<}y"},
    {"$json($char(1)$tab()$char(31))", "\\u0001\\t\\u001f"},
    {"$printable(a$char(1)b$tab()c$char(127))", "a\xEF\xBF\xBD"
                                                "b\tc\x7F"},
    {"$printable(\xEF\xBF\xBF\xEF\xBF\xBE\xEF\xBF\xBD)", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    // Locations as URIs.
    {"$uri(music/Velvet Orchard/Lanterns & Ladders.flac)",
     "music/Velvet%20Orchard/Lanterns%20%26%20Ladders.flac"},
    {"$uri(/srv/a b.flac)", "file:///srv/a%20b.flac"},
    {"$uri(C:\\Music\\Caf\xC3\xA9.mp3)", "file:///C:/Music/Caf%C3%A9.mp3"},
    {"$uri(\\\\nas\\share\\x.mp3)", "file://nas/share/x.mp3"},
    {"$uri(%reserved%)", "%23%3F%5B%5D%40%21%24%26%27%28%29%2A%2B%2C%3B%3D%25%20~"},
    {"$uri(a:b/c)", "a%3Ab/c"},
    {"$uri(C:x)", "C%3Ax"},
    {"$uri(http://radio.example.invalid/a?b=1&c=2#f)", "http://radio.example.invalid/a?b=1&c=2#f"},
    {"$uri('http://x/a b<c>%20%zz%4')", "http://x/a%20b%3Cc%3E%20%25zz%254"},
    {"$uri(file:///x/\xC3\xA9{}|)", "file:///x/%C3%A9%7B%7D%7C"},
    {"$uri(%album%)", ""},
    {"$uri()", "[UNKNOWN FUNCTION]"},
    // Malformed calls.
    {"$nosuch(a)", "[UNKNOWN FUNCTION]"},
    {"$if(x)", "[UNKNOWN FUNCTION]"},
    {"$if(a,b,c,d)", "[UNKNOWN FUNCTION]"},
    {"$len()", "[UNKNOWN FUNCTION]"},
    {"$crlf(x)", "[UNKNOWN FUNCTION]"},
    {"$if(a,b", "$if(a,b"},
    {"x$upper(%title%", "x$upper(%title%"},
    {"$upper($lower(a", "$upper($lower(a"},
    {"$if(1,'x)", "$if(1,'x)"},
    // Unclosed brackets and literals run to the end.
    {"[%title%", "Song"},
    {"a[%album%", "a"},
    {"'abc", "abc"},
    {"']'[", "]"},
    {"]", "]"},
};

TEST(TitleFormat, Rows) {
  for (const Row& row : kRows)
    EXPECT_EQ(row.expected, format(row.format)) << "format: " << row.format;
}

// Every prefix of every row is a malformed format of its own: none may crash or read beyond its
// end.
TEST(TitleFormat, EveryPrefixIsSafe) {
  for (const Row& row : kRows) {
    std::string_view text(row.format);
    for (size_t n = 0; n <= text.size(); ++n)
      format(text.substr(0, n));
  }
}

TEST(TitleFormat, DeepNestingIsCutOffNotRecursedInto) {
  const size_t n = 10000;
  std::string brackets = std::string(n, '[') + "%title%" + std::string(n, ']');
  size_t literal = n - kMaxTitleFormatDepth;
  EXPECT_EQ(std::string(literal, '[') + "Song" + std::string(literal, ']'), format(brackets));

  std::string calls;
  for (size_t i = 0; i < n; ++i)
    calls += "$upper(";
  calls += "x" + std::string(n, ')');
  std::string out = format(calls);
  EXPECT_NE(std::string::npos, out.find('X'));
  EXPECT_LE(out.size(), calls.size());
}

TEST(TitleFormat, NumWidthIsBounded) {
  EXPECT_EQ(1024u, format("$num(1,99999999)").size());
}

// Each level multiplies the text by ten; without a bound, twelve levels would need a terabyte.
TEST(TitleFormat, ReplaceResultIsBounded) {
  std::string nested = "x";
  for (int i = 0; i < 12; ++i)
    nested = "$replace(" + nested + ",x,xxxxxxxxxx)";
  EXPECT_EQ(std::string(65536, 'x'), format(nested));
  // A text past the bound is cut even where nothing in it is replaced.
  EXPECT_EQ(std::string(65536, 'x'), format("$replace(" + std::string(70000, 'x') + ",y,z)"));
  // The cut falls before the character that crosses the bound, never inside it.
  std::string out =
      format("$replace($replace(" + std::string(21846, 'x') + ",x,y),y,\xE2\x82\xAC)");
  EXPECT_EQ(65535u, out.size());
  EXPECT_EQ("\xE2\x82\xAC", out.substr(out.size() - 3));
}

// The definition, position by position: at each one the first pair whose FROM starts there.
std::string replaced_by_definition(const std::string& text,
                                   const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    bool replaced = false;
    for (const auto& [from, to] : pairs) {
      if (!from.empty() && text.compare(i, from.size(), from) == 0) {
        out += to;
        i += from.size();
        replaced = true;
        break;
      }
    }
    if (!replaced)
      out += text[i++];
  }
  return out;
}

// Texts and FROMs of two letters overlap in every way: borders, one FROM inside another, an
// occurrence that only a replacement before it lands on.
TEST(TitleFormat, ReplaceAgreesWithTheDefinition) {
  std::mt19937 random(22);
  auto word = [&](size_t longest) {
    std::string w(random() % (longest + 1), 'a');
    for (char& c : w)
      c = random() % 3 == 0 ? 'b' : 'a';
    return w;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text = word(32);
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string call = "$replace(" + text;
    for (size_t k = 1 + random() % 3; k > 0; --k) {
      pairs.emplace_back(word(8), std::string(random() % 3, 'x'));
      call += "," + pairs.back().first + "," + pairs.back().second;
    }
    call += ")";
    ASSERT_EQ(replaced_by_definition(text, pairs), format(call)) << call;
  }
}

// Long near misses: FROM is half the text and fails only at its last byte.
TEST(TitleFormat, ReplaceOfLongNearMisses) {
  const std::string a(3000, 'a');
  EXPECT_EQ(a, format("$replace(" + a + "," + a.substr(1500) + "b,x)"));
  EXPECT_EQ("xx", format("$replace(" + a + "," + a.substr(1500) + ",x)"));
  EXPECT_EQ("xxaa", format("$replace(" + a + "," + a.substr(1501) + ",x)"));
}

TEST(ParseExtraItems, Rows) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* what;
    std::string text;
    Pairs expected;
  } rows[] = {
      {"two pairs", std::string("a=1\0bc=22\0\0", 11), {{"a", "1"}, {"bc", "22"}}},
      {"the empty list", std::string("\0\0", 2), {}},
      {"split at the first =", std::string("x=y=z\0\0", 7), {{"x", "y=z"}}},
      {"empty value", std::string("v=\0\0", 4), {{"v", ""}}},
      {"no = is no pair", std::string("junk\0b=2\0\0", 10), {{"b", "2"}}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.expected, parse_extra_items(row.text.c_str())) << row.what;
  EXPECT_TRUE(parse_extra_items(nullptr).empty());
}

TEST(TrackField, LengthTexts) {
  const struct {
    double seconds;
    const char* text;
  } rows[] = {{0, "0:00"},         {59.9, "0:59"},    {61, "1:01"},
              {3599, "59:59"},     {3600, "1:00:00"}, {3725.6, "1:02:05"},
              {90061, "25:01:01"}, {-5, "0:00"},      {1e300, "2500000000000:00:00"}};
  for (const auto& row : rows)
    EXPECT_EQ(row.text, format_length(row.seconds)) << row.seconds;
}

TEST(TrackField, Fields) {
  PlaylistEntry entry;
  entry.location = "Some.Band/Song.name.mp3";
  entry.resolved = "/music/Some.Band/Song.name.mp3";
  entry.length_seconds = 200.5;
  entry.title = "Song";
  entry.artist = "Band";
  const struct {
    const char* name;
    std::optional<std::string> value;
  } rows[] = {
      {"title", "Song"},         {"artist", "Band"},
      {"album", std::nullopt},   {"path", "/music/Some.Band/Song.name.mp3"},
      {"filename", "Song.name"}, {"length", "3:20"},
      {"length_seconds", "200"}, {"length_seconds_exact", "200.5"},
      {"list_index", "5"},       {"list_total", "9"},
      {"LIST_TOTAL", "9"},       {"bitrate", std::nullopt},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.value, track_field(entry, 4, 9, row.name)) << row.name;

  entry.length_seconds.reset();
  EXPECT_EQ(std::nullopt, track_field(entry, 0, 1, "length"));
  EXPECT_EQ(std::nullopt, track_field(entry, 0, 1, "length_seconds"));
  EXPECT_EQ(std::nullopt, track_field(entry, 0, 1, "length_seconds_exact"));

  const struct {
    const char* location;
    const char* filename;
  } names[] = {{"C:\\x\\y.flac", "y"},
               {"noext", "noext"},
               {".hidden", ".hidden"},
               {"a/b.c/", ""},
               {"x.tar.gz", "x.tar"}};
  for (const auto& row : names) {
    entry.resolved = row.location;
    EXPECT_EQ(row.filename, track_field(entry, 0, 1, "filename").value_or("")) << row.location;
  }
}

TEST(EntryLookup, ItemsFirstThenTheEntryThenNothing) {
  Playlist playlist;
  playlist.entries.resize(2);
  playlist.entries[0].title = "First";
  playlist.entries[1].title = "Second";
  std::vector<std::pair<std::string, std::string>> items = {{"playlist_total", "2"},
                                                            {"artist", "From items"}};
  EXPECT_EQ("First 2 From items", format_title_text("%title% %playlist_total% %artist%",
                                                    entry_lookup(items, &playlist, 0)));
  EXPECT_EQ("First", format_title_text("%TiTlE%", entry_lookup({}, &playlist, 0)));
  EXPECT_EQ("2", format_title_text("%PLAYLIST_total%", entry_lookup(items, &playlist, 0)));
  EXPECT_EQ("Second 2/2",
            format_title_text("%title% %list_index%/%list_total%", entry_lookup({}, &playlist, 1)));
  // Out of range: no track fields, but the items still.
  EXPECT_EQ(" 2",
            format_title_text("[%title%] %playlist_total%", entry_lookup(items, &playlist, 2)));
  EXPECT_EQ("", format_title_text("%title%", entry_lookup({}, &playlist, -1)));
  EXPECT_EQ("", format_title_text("%title%", entry_lookup({}, nullptr, 0)));
}

} // namespace
} // namespace tessaly
