#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/config_var.h"
#include "format/custom_output_format.h"
#include "support/default_settings.h"
#include "support/fake_host.h"

using vorlane::CustomOutputFormat;
using vorlane::Utf8String;
using vorlane::settings::autocrlf;
using vorlane::settings::footer;
using vorlane::settings::format;
using vorlane::settings::header;

namespace {

// One output-format object from the factory, released when the test ends.
class Format {
public:
  Format() : object_(CustomOutputFormat::create()) {}
  ~Format() { EXPECT_EQ(0, object_->release()); }
  CustomOutputFormat* operator->() { return object_; }

private:
  CustomOutputFormat* object_;
};

// A fake host with a playlist whose formatter answers the format text followed by the extra items.
class OutputFormatTest : public fake::DefaultSettings {
protected:
  OutputFormatTest() {
    playlist.tracks = {{200.5}, {100.25}, {0, false}};
    playlist.install(host);
  }
  fake::Host host;
  fake::Playlist playlist;
};

std::string value_of(const fake::Playlist::FormatCall& call, const std::string& name) {
  for (const auto& [n, v] : call.items) {
    if (n == name)
      return v;
  }
  return "(absent)";
}

} // namespace

TEST_F(OutputFormatTest, FixedTexts) {
  Format f;
  Utf8String sink;
  sink.assign_text("old");
  EXPECT_EQ(sink.text(), f->get_name(&sink));
  EXPECT_STREQ("Custom", sink.text());
  EXPECT_TRUE(f->get_description(&sink));
  EXPECT_STREQ("Custom formatting strings as defined in prefs.", sink.text());
  EXPECT_EQ(sink.text(), f->get_file_filter(&sink));
  EXPECT_STREQ("All Files|*.*", sink.text());
  EXPECT_EQ(nullptr, f->query(&vorlane::kOutputFormatClass));
  EXPECT_TRUE(playlist.format_calls.empty());
  EXPECT_EQ(0u, f->extra_items().item_count());
}

TEST_F(OutputFormatTest, EntryFormat) {
  struct Row {
    const char* format;
    bool result;
  };
  const Row rows[] = {{"", false}, {" ", true}, {"%title%", true}, {"\xC3\xA9", true}};
  for (const Row& row : rows) {
    format.set_text(row.format);
    Format f;
    Utf8String sink;
    sink.assign_text("previous");
    EXPECT_EQ(row.result, f->get_entry_format(&sink)) << "'" << row.format << "'";
    EXPECT_STREQ(row.format, sink.text()) << "'" << row.format << "'";
  }
}

TEST_F(OutputFormatTest, LineEndFollowsAutocrlf) {
  struct Row {
    int32_t autocrlf;
    const char* end;
  };
  const Row rows[] = {{0, ""}, {1, "\r\n"}, {7, "\r\n"}, {-1, "\r\n"}};
  playlist.format_result = "text";
  for (const Row& row : rows) {
    autocrlf.set_value(row.autocrlf);
    Format f;
    Utf8String sink;
    EXPECT_TRUE(f->get_header(&sink));
    EXPECT_EQ(std::string("text") + row.end, sink.text()) << "header, autocrlf " << row.autocrlf;
    EXPECT_TRUE(f->get_footer(&sink));
    EXPECT_EQ(std::string("text") + row.end, sink.text()) << "footer, autocrlf " << row.autocrlf;
    Utf8String entry;
    entry.assign_text("entry");
    f->process_entry(&entry, 0, nullptr);
    EXPECT_EQ(std::string("entry") + row.end, entry.text()) << "entry, autocrlf " << row.autocrlf;
  }
}

TEST_F(OutputFormatTest, HeaderFormatsTheHeaderSettingWithTheStatistics) {
  header.set_text("<h>");
  Format f;
  Utf8String sink;
  f->get_header(&sink);
  ASSERT_EQ(1u, playlist.format_calls.size());
  const auto& call = playlist.format_calls[0];
  EXPECT_EQ(0, call.index);
  EXPECT_EQ("<h>", call.format);
  ASSERT_EQ(12u, call.items.size());
  EXPECT_EQ("3", value_of(call, "playlist_total"));
  EXPECT_EQ("5:00", value_of(call, "playlist_length_string"));
  EXPECT_EQ(12u, f->extra_items().item_count()) << "the pairs stay for the footer";
  EXPECT_EQ(0, playlist.live_handles);
}

TEST_F(OutputFormatTest, FooterOnAFreshObjectHasNoStatistics) {
  footer.set_text("</f>");
  Format f;
  Utf8String sink;
  EXPECT_TRUE(f->get_footer(&sink));
  ASSERT_EQ(1u, playlist.format_calls.size());
  EXPECT_EQ("</f>", playlist.format_calls[0].format);
  EXPECT_EQ(0, playlist.format_calls[0].index);
  EXPECT_TRUE(playlist.format_calls[0].items.empty());
  EXPECT_STREQ("</f>\r\n", sink.text());
}

TEST_F(OutputFormatTest, FooterSeesTheLastHeaderThenForgetsIt) {
  Format f;
  Utf8String sink;
  f->get_header(&sink);
  playlist.tracks.push_back({60});
  f->get_header(&sink);
  EXPECT_EQ(12u, f->extra_items().item_count()) << "two headers left more than one set";
  f->get_footer(&sink);
  f->get_footer(&sink);
  ASSERT_EQ(4u, playlist.format_calls.size());
  EXPECT_EQ("4", value_of(playlist.format_calls[2], "playlist_total"))
      << "the footer did not see the second header's values";
  EXPECT_EQ(12u, playlist.format_calls[2].items.size());
  EXPECT_TRUE(playlist.format_calls[3].items.empty()) << "a second footer still had statistics";
  EXPECT_EQ(0u, f->extra_items().item_count());
  EXPECT_EQ(2, playlist.handles.calls) << "the footer measured the playlist again";
}

TEST_F(OutputFormatTest, ObjectsKeepStatisticsOfTheirOwn) {
  Format a, b;
  Utf8String sink;
  a->get_header(&sink);
  b->get_footer(&sink);
  a->get_footer(&sink);
  ASSERT_EQ(3u, playlist.format_calls.size());
  EXPECT_TRUE(playlist.format_calls[1].items.empty());
  EXPECT_EQ(12u, playlist.format_calls[2].items.size());
}

TEST_F(OutputFormatTest, EmptyHeaderWithAutocrlfIsJustTheLineEnd) {
  playlist.format_result = "";
  Format f;
  Utf8String sink;
  f->get_header(&sink);
  EXPECT_STREQ("\r\n", sink.text());
  autocrlf.set_value(0);
  f->get_header(&sink);
  EXPECT_STREQ("", sink.text());
  EXPECT_EQ(0u, sink.length());
}

TEST_F(OutputFormatTest, SinkContentIsReplaced) {
  playlist.format_result = "new";
  Format f;
  Utf8String sink;
  sink.assign_text("old content");
  f->get_header(&sink);
  EXPECT_STREQ("new\r\n", sink.text());
  sink.assign_text("old content");
  f->get_footer(&sink);
  EXPECT_STREQ("new\r\n", sink.text());
}

TEST_F(OutputFormatTest, SafeSectionsComeBeforeTheLineEnd) {
  struct Row {
    const char* formatted;
    const char* delivered;
  };
  const Row rows[] = {{"@htmlsafe{a<b}", "a&lt;b\r\n"},
                      {"x@htmlsafe{R&B", "x@htmlsafe{R&B\r\n"},
                      {"<b>@htmlsafe{>}</b>", "<b>&gt;</b>\r\n"}};
  for (const Row& row : rows) {
    playlist.format_result = row.formatted;
    Format f;
    Utf8String sink;
    f->get_header(&sink);
    EXPECT_STREQ(row.delivered, sink.text()) << "header from " << row.formatted;
    f->get_footer(&sink);
    EXPECT_STREQ(row.delivered, sink.text()) << "footer from " << row.formatted;
    Utf8String entry;
    entry.assign_text(row.formatted);
    f->process_entry(&entry, 3, nullptr);
    EXPECT_STREQ(row.delivered, entry.text()) << "entry from " << row.formatted;
  }
}

// One object rewrites every entry of an export with the same buffers: long entries then short
// ones, with sections and without, must each come out as if alone.
TEST_F(OutputFormatTest, EntriesInARowShareNothing) {
  std::string many_escapes, escaped;
  for (int i = 0; i < 40; ++i) {
    many_escapes += "<&>";
    escaped += "&lt;&amp;&gt;";
  }
  const std::string long_plain(200, 'x');
  const struct {
    std::string entry, delivered;
  } rows[] = {
      {"@htmlsafe{" + many_escapes + "} and a tail", escaped + " and a tail"},
      {"@htmlsafe{a}", "a"},
      {"plain", "plain"},
      {long_plain + "@htmlsafe{<}" + long_plain, long_plain + "&lt;" + long_plain},
      {"@htmlsafe{b", "@htmlsafe{b"},
      {"", ""},
      {"@htmlsafe{" + many_escapes + "}@htmlsafe{" + many_escapes,
       escaped + "@htmlsafe{" + many_escapes},
      {"@htmlsafe{}", ""},
      {"c@htmlsafe{>}d", "c&gt;d"},
      {"e", "e"},
  };
  Format f;
  for (const auto& row : rows) {
    Utf8String entry;
    entry.assign_text(row.entry.c_str());
    f->process_entry(&entry, 0, nullptr);
    std::string expected = row.delivered + "\r\n";
    EXPECT_EQ(expected, entry.text()) << "from \"" << row.entry.substr(0, 40) << "\"";
    EXPECT_EQ(expected.size(), entry.length());
  }
}

TEST_F(OutputFormatTest, SettingsAreReadWhenEachOperationRuns) {
  Format f;
  Utf8String sink;
  header.set_text("first");
  f->get_header(&sink);
  header.set_text("second");
  autocrlf.set_value(0);
  f->get_header(&sink);
  ASSERT_EQ(2u, playlist.format_calls.size());
  EXPECT_EQ("second", playlist.format_calls[1].format);
  EXPECT_EQ(std::string::npos, std::string(sink.text()).find("\r\n"));
}

TEST_F(OutputFormatTest, EntriesTouchNoStatistics) {
  Format f;
  Utf8String sink, entry;
  f->get_header(&sink);
  entry.assign_text("e");
  f->process_entry(&entry, 0, nullptr);
  f->get_entry_format(&sink);
  f->get_name(&sink);
  EXPECT_EQ(12u, f->extra_items().item_count());
  EXPECT_EQ(1u, playlist.format_calls.size());
}

TEST(OutputFormat, WithoutPlaylistServiceHeaderIsTheEmptyText) {
  fake::restore_default_settings();
  fake::Host host;
  fake::Playlist playlist;
  host.add(vorlane::kHandleServiceClass, &playlist.handles);
  Format f;
  Utf8String sink;
  sink.assign_text("old");
  EXPECT_TRUE(f->get_header(&sink));
  EXPECT_STREQ("\r\n", sink.text());
  EXPECT_TRUE(f->get_footer(&sink));
  EXPECT_STREQ("\r\n", sink.text());
  EXPECT_EQ(0, playlist.handles.calls);
}

// With the Nth allocation failing, a header and footer still come back true, every handle taken
// from the host and every begin_info is matched, and what reaches the sink is a sound text.
TEST_F(OutputFormatTest, HeaderAndFooterSurviveFailedAllocations) {
  header.set_text("<h>");
  footer.set_text("</h>");
  for (uint32_t n = 1; n < 400; ++n) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    Format f;
    Utf8String sink;
    vorlane::fail_allocation(n, false);
    EXPECT_TRUE(f->get_header(&sink));
    EXPECT_TRUE(f->get_footer(&sink));
    bool failed = vorlane::allocation_failed();
    vorlane::fail_allocation(0, false);
    EXPECT_EQ(0, playlist.open_infos);
    EXPECT_EQ(0, playlist.info_order_errors);
    EXPECT_EQ(std::strlen(sink.text()), sink.length());
    if (!failed)
      break;
  }
  EXPECT_EQ(0, playlist.live_handles);
}
