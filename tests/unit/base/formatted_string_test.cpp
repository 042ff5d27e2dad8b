#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <string>

#include "base/formatted_string.h"

using vorlane::FormattedString;
using vorlane::HostFormattedString;
using vorlane::Utf8String;

namespace {

void format_to(vorlane::StringSink& target, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vorlane::format_into(target, format, arguments);
  va_end(arguments);
}

} // namespace

TEST(FormatInto, IntegerConversions) {
  struct Row {
    const char* format;
    uint32_t argument;
    const char* expected;
  };
  const Row rows[] = {
      {"%i", 42, "42"},
      {"%i", static_cast<uint32_t>(-7), "-7"},
      {"%+i", 42, "+42"},
      {"%+i", 0, "0"},
      {"%+i", static_cast<uint32_t>(-3), "-3"},
      {"%5i", 42, "   42"},
      {"%05i", 42, "00042"},
      {"%+05i", 42, "+00042"},
      {"%05i", static_cast<uint32_t>(-42), "00-42"},
      {"%5i", static_cast<uint32_t>(-42), "  -42"},
      {"%2i", 12345, "12345"},
      {"%i", 0x80000000u, "-2147483648"},
      {"%i", 0x7FFFFFFFu, "2147483647"},
      {"%d", 7, "7"},
      {"%D", 8, "8"},
      {"%I", 9, "9"},
      {"%u", 0xFFFFFFFFu, "4294967295"},
      {"%+u", 0xFFFFFFFFu, "4294967295"},
      {"%+u", 1, "+1"},
      {"%U", 0, "0"},
      {"%x", 255, "ff"},
      {"%X", 255, "FF"},
      {"%04x", 255, "00ff"},
      {"%x", 0, "0"},
      {"%x", 0xDEADBEEFu, "deadbeef"},
      {"%X", 0xABCDEFu, "ABCDEF"},
      {"%+x", 255, "+ff"},
      {"%10u", 3000000000u, "3000000000"},
      {"%12u", 3000000000u, "  3000000000"},
      {"%c", 65, "A"},
      {"%C", 66, "B"},
      {"%c", 0, ""},
      {"%c", 0xE9, ""},
      {"%c", 0x141, "A"},
      {"%5c", 65, "A"},
      {"%+c", 65, "A"},
      {"[%i]", 1, "[1]"},
      {"%+%i", 3, "3"},
      {"%5z%i", 7, "z7"},
      {"%lu%i", 9, "lu9"},
      {"%-3i", 4, "-3i"},
      {"%h%i", 5, "h5"},
      {"%5%%", 0, "%"},
      {"%++i", 6, "+i"},
  };
  for (const Row& row : rows) {
    FormattedString s(row.format, row.argument);
    EXPECT_STREQ(row.expected, s.text()) << "'" << row.format << "' with " << row.argument;
  }
}

TEST(FormatInto, TextConversions) {
  struct Row {
    const char* format;
    const char* argument;
    const char* expected;
  };
  const Row rows[] = {
      {"%s", "abc", "abc"},
      {"%S", "abc", "abc"},
      {"%3s", "ab", " ab"},
      {"%1s", "abc", "abc"},
      {"%03s", "ab", "0ab"},
      {"%s", "", ""},
      {"%2s", "", "  "},
      // The width counts bytes: "é" is two.
      {"%3s", "\xC3\xA9", " \xC3\xA9"},
      {"%+s", "x", "x"},
      {"<%s>", "\xE2\x82\xAC & <", "<\xE2\x82\xAC & <>"},
  };
  for (const Row& row : rows) {
    FormattedString s(row.format, row.argument);
    EXPECT_STREQ(row.expected, s.text()) << "'" << row.format << "' with '" << row.argument << "'";
  }
}

TEST(FormatInto, TemplateWithoutArguments) {
  struct Row {
    const char* format;
    const char* expected;
  };
  const Row rows[] = {
      {"", ""},
      {"plain", "plain"},
      {"100%%", "100%"},
      {"%%%%", "%%"},
      {"%", ""},
      {"ab%", "ab"},
      {"ab%5", "ab"},
      {"ab%+", "ab"},
      // Bytes from 0x80 up are widened with their sign and have no code point.
      {"a\xC3\xA9z", "az"},
      {"\xC3", ""},
      {"\x7F", "\x7F"},
  };
  for (const Row& row : rows) {
    FormattedString s(row.format);
    EXPECT_STREQ(row.expected, s.text()) << "'" << row.format << "'";
  }
}

TEST(FormatInto, ArgumentsAreTakenInOrder) {
  FormattedString s("%s=%i, %x%%%c|%u", "n", -1, 0x1f, 'q', 5u);
  EXPECT_STREQ("n=-1, 1f%q|5", s.text());
}

TEST(FormatInto, ReplacesWhatTheTargetHeld) {
  Utf8String target;
  target.assign_text("old text");
  format_to(target, "%i", 5);
  EXPECT_STREQ("5", target.text());
  format_to(target, "");
  EXPECT_STREQ("", target.text());
  EXPECT_EQ(0u, target.length());
}

TEST(HostFormattedString, FormatsThroughTheHostWrapper) {
  struct Row {
    const char* format;
    std::string argument;
    std::string expected;
  };
  const std::string long_path(600, 'p');
  const Row rows[] = {
      {"Cannot open %s", "x.tvc", "Cannot open x.tvc"},
      {"%s", "", ""},
      {"[%s]", "\xC3\xA9t\xC3\xA9", "[\xC3\xA9t\xC3\xA9]"},
      {"Cannot read %s.", long_path, "Cannot read " + long_path + "."},
      {"no conversion", "unused", "no conversion"},
  };
  for (const Row& row : rows) {
    HostFormattedString s(row.format, row.argument.c_str());
    EXPECT_EQ(row.expected, std::string(s.text())) << "'" << row.format << "'";
    EXPECT_EQ(row.expected.size(), s.length());
    EXPECT_EQ(vorlane::GrowthPolicy::DoublingKeep, s.storage().policy());
  }
}
