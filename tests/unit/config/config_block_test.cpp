#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/allocator.h"
#include "common/block_bytes.h"
#include "config/config_var.h"
#include "support/default_settings.h"

using vorlane::settings::autocrlf;
using vorlane::settings::footer;
using vorlane::settings::format;
using vorlane::settings::header;

namespace {

using test_support::hex;
using test_support::record;
using test_support::u32;

std::string int_record(const std::string& name, int32_t value) {
  return record(name, u32(static_cast<uint32_t>(value)));
}

const std::string kDefaultBlock =
    int_record("autocrlf", 1) + record("format", "") + record("footer", "") + record("header", "");

class RecordingWriter final : public vorlane::ByteWriter {
public:
  uint32_t write(const void* bytes, uint32_t count) override {
    writes.emplace_back(static_cast<const char*>(bytes), count);
    block.append(static_cast<const char*>(bytes), count);
    return 0; // the module must not care
  }
  std::string block;
  std::vector<std::string> writes;
};

std::string save() {
  RecordingWriter writer;
  vorlane::config_save_all(writer);
  return writer.block;
}

void load(const std::string& block) {
  vorlane::config_load_all(block.data(), static_cast<uint32_t>(block.size()));
}

struct Settings {
  std::string header, footer, format;
  int32_t autocrlf;
};

Settings current() {
  return {header.get_text(), footer.get_text(), format.get_text(), autocrlf.get_value()};
}

void set(const Settings& s) {
  header.set_text(s.header.c_str());
  footer.set_text(s.footer.c_str());
  format.set_text(s.format.c_str());
  autocrlf.set_value(s.autocrlf);
}

std::string describe(const Settings& s) {
  return "header '" + s.header + "', footer '" + s.footer + "', format '" + s.format +
         "', autocrlf " + std::to_string(s.autocrlf);
}

using ConfigBlock = fake::DefaultSettings;

} // namespace

TEST_F(ConfigBlock, VariablesAreListedNewestFirst) {
  std::vector<std::string> names;
  for (vorlane::ConfigVar* v = vorlane::config_var_list; v; v = v->next())
    names.push_back(v->name());
  EXPECT_EQ((std::vector<std::string>{"autocrlf", "format", "footer", "header"}), names);
}

TEST_F(ConfigBlock, Save) {
  struct Row {
    Settings settings;
    std::string block;
  };
  const Row rows[] = {
      {{"", "", "", 1}, kDefaultBlock},
      {{"abc", "", "", 1},
       int_record("autocrlf", 1) + record("format", "") + record("footer", "") +
           record("header", "abc")},
      {{"h", "f", "%title%", 0},
       int_record("autocrlf", 0) + record("format", "%title%") + record("footer", "f") +
           record("header", "h")},
      {{"", "", "\xC3\xA9", -1},
       int_record("autocrlf", -1) + record("format", "\xC3\xA9") + record("footer", "") +
           record("header", "")},
      {{"", "", "", 0x01020304},
       u32(8) + "autocrlf" + u32(4) + "\x04\x03\x02\x01" + record("format", "") +
           record("footer", "") + record("header", "")},
  };
  for (const Row& row : rows) {
    set(row.settings);
    EXPECT_EQ(hex(row.block), hex(save())) << describe(row.settings);
  }
}

TEST_F(ConfigBlock, DefaultBlockIs62Bytes) {
  std::string block = save();
  EXPECT_EQ(62u, block.size());
  EXPECT_EQ("080000006175746f63726c660400000001000000"
            "06000000666f726d617400000000"
            "06000000666f6f74657200000000"
            "06000000686561646572"
            "00000000",
            hex(block));
}

TEST_F(ConfigBlock, HeaderRecordIs17Bytes) {
  header.set_text("abc");
  std::string block = save();
  ASSERT_EQ(62u + 3u, block.size());
  EXPECT_EQ("06000000686561646572"
            "03000000616263",
            hex(block.substr(48)));
}

// Name length, name, value length and value go out as separate writes; an empty value is not
// written at all.
TEST_F(ConfigBlock, SaveWritesEachFieldSeparately) {
  header.set_text("abc");
  RecordingWriter writer;
  vorlane::config_save_all(writer);
  std::vector<size_t> sizes;
  for (const std::string& w : writer.writes)
    sizes.push_back(w.size());
  EXPECT_EQ((std::vector<size_t>{4, 8, 4, 4, 4, 6, 4, 4, 6, 4, 4, 6, 4, 3}), sizes);
}

TEST_F(ConfigBlock, Load) {
  const Settings start = {"old header", "old footer", "old format", 7};
  const std::string header_abc = record("header", "abc");
  struct Row {
    const char* what;
    std::string block;
    Settings after;
  };
  const Row rows[] = {
      {"the default block", kDefaultBlock, {"", "", "", 1}},
      {"only a header record", header_abc, {"abc", "old footer", "old format", 7}},
      {"an empty block", "", start},
      {"1 byte", "\x06", start},
      {"4 bytes", u32(6), start},
      {"a record, then 1 byte", header_abc + "\x01", {"abc", "old footer", "old format", 7}},
      {"a record, then 4 bytes", header_abc + u32(6), {"abc", "old footer", "old format", 7}},
      {"a record, then 5 bytes", header_abc + u32(1) + "f", {"abc", "old footer", "old format", 7}},
      {"a value length past the end",
       header_abc + u32(6) + "format" + u32(100) + int_record("autocrlf", 0),
       {"abc", "old footer", "old format", 7}},
      {"a value length one past the end",
       header_abc + u32(6) + "footer" + u32(3) + "xy",
       {"abc", "old footer", "old format", 7}},
      {"a value length of 0xFFFFFFFF",
       header_abc + u32(6) + "footer" + u32(0xFFFFFFFFu) + "xy",
       {"abc", "old footer", "old format", 7}},
      {"a name length past the end",
       header_abc + u32(7) + "footer",
       {"abc", "old footer", "old format", 7}},
      {"a name length of 0xFFFFFFFF",
       header_abc + u32(0xFFFFFFFFu) + "footer" + u32(0),
       {"abc", "old footer", "old format", 7}},
      {"a value length cut short",
       header_abc + u32(6) + "footer" + "\x01\x00",
       {"abc", "old footer", "old format", 7}},
      {"a differently cased name",
       record("Header", "x") + record("HEADER", "y") + header_abc,
       {"abc", "old footer", "old format", 7}},
      {"autocrlf with value length 1",
       record("autocrlf", "\x00") + record("format", "f"),
       {"old header", "old footer", "f", 7}},
      {"autocrlf with value length 8",
       record("autocrlf", u32(0) + u32(0)) + record("format", "f"),
       {"old header", "old footer", "f", 7}},
      {"autocrlf with value length 0",
       record("autocrlf", "") + record("format", "f"),
       {"old header", "old footer", "f", 7}},
      {"autocrlf 0", int_record("autocrlf", 0), {"old header", "old footer", "old format", 0}},
      {"autocrlf -1", int_record("autocrlf", -1), {"old header", "old footer", "old format", -1}},
      {"two format records",
       record("format", "first") + record("format", "second"),
       {"old header", "old footer", "second", 7}},
      {"a zero-length footer", record("footer", ""), {"old header", "", "old format", 7}},
      {"an inner zero byte",
       record("format", std::string("a\0b", 3)) + record("footer", "g"),
       {"old header", "g", "a", 7}},
      {"a leading zero byte",
       record("format", std::string("\0b", 2)),
       {"old header", "old footer", "", 7}},
      {"a zero-length name", record("", "x") + header_abc, {"abc", "old footer", "old format", 7}},
      {"an unknown name",
       record("colour", "red") + header_abc,
       {"abc", "old footer", "old format", 7}},
      {"a name with an inner zero byte",
       record(std::string("footer\0x", 8), "z"),
       {"old header", "z", "old format", 7}},
      {"a name that is a prefix", record("head", "x") + record("headers", "y"), start},
      {"multi-byte text",
       record("header", "\xE2\x82\xAC\xC3\xA9"),
       {"\xE2\x82\xAC\xC3\xA9", "old footer", "old format", 7}},
      {"all four",
       record("header", "H") + record("footer", "F") + record("format", "E") +
           int_record("autocrlf", 0),
       {"H", "F", "E", 0}},
  };
  for (const Row& row : rows) {
    set(start);
    load(row.block);
    Settings got = current();
    EXPECT_EQ(describe(row.after), describe(got)) << row.what << ": block " << hex(row.block);
  }
}

TEST_F(ConfigBlock, ZeroLengthFooterIsEmptyNotNull) {
  footer.set_text("x");
  load(record("footer", ""));
  ASSERT_NE(nullptr, footer.get_text());
  EXPECT_STREQ("", footer.get_text());
  EXPECT_TRUE(footer.is_empty());
}

TEST_F(ConfigBlock, NullBlockChangesNothing) {
  header.set_text("keep");
  vorlane::config_load_all(nullptr, 100);
  EXPECT_STREQ("keep", header.get_text());
}

// Reads nothing beyond the count it is given: the block sits at the very end of its allocation.
TEST_F(ConfigBlock, LoadReadsOnlyTheGivenBytes) {
  const std::string blocks[] = {record("header", "abc"), record("header", "abc").substr(0, 15),
                                record("header", "abc") + u32(6) + "foo",
                                std::string(u32(6) + "header" + "\x03")};
  for (const std::string& block : blocks) {
    std::vector<char> exact(block.begin(), block.end());
    vorlane::config_load_all(exact.data(), static_cast<uint32_t>(exact.size()));
  }
  EXPECT_STREQ("abc", header.get_text());
}

TEST_F(ConfigBlock, RoundTrip) {
  set({"<table>@htmlsafe{%title%}", "</table>", "<tr>%artist%</tr>", 0});
  std::string block = save();
  set({"", "", "", 1});
  load(block);
  EXPECT_EQ(describe({"<table>@htmlsafe{%title%}", "</table>", "<tr>%artist%</tr>", 0}),
            describe(current()));
}

namespace {

// Counts the notifications of the variables it watches; registered once for the whole run,
// since variables never forget an observer.
class CountingObserver final : public vorlane::ConfigObserver {
public:
  void on_changed(const char* name, vorlane::ConfigVar& variable) override {
    names.push_back(name);
    EXPECT_STREQ(name, variable.name());
  }
  std::vector<std::string> names;
};

CountingObserver& observer() {
  static CountingObserver* watching = [] {
    static CountingObserver o;
    format.add_observer(o);
    autocrlf.add_observer(o);
    return &o;
  }();
  return *watching;
}

} // namespace

TEST_F(ConfigBlock, ChangesNotifyObservers) {
  CountingObserver& o = observer();
  o.names.clear();
  format.set_text("x");
  format.set_text("x"); // the same value still notifies
  autocrlf.set_value(1);
  load(record("format", "y") + int_record("autocrlf", 0));
  load(record("autocrlf", "\x01") + record("autocrlf", u32(0) + u32(1)));
  EXPECT_EQ((std::vector<std::string>{"format", "format", "autocrlf", "format", "autocrlf"}),
            o.names)
      << "an integer record of the wrong length notifies nobody";
  o.names.clear();
}

// With the Nth allocation failing, each setting ends up either with its old value or with the
// new one, and a later load still works.
TEST_F(ConfigBlock, LoadWithoutMemoryKeepsOldValues) {
  const std::string block = record("header", "new header") + record("footer", "new footer");
  for (uint32_t n = 1; n < 50; ++n) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    set({"old header", "old footer", "", 1});
    vorlane::fail_allocation(n, false);
    load(block);
    bool failed = vorlane::allocation_failed();
    vorlane::fail_allocation(0, false);
    std::string h = header.get_text(), f = footer.get_text();
    EXPECT_TRUE(h == "old header" || h == "new header") << h;
    EXPECT_TRUE(f == "old footer" || f == "new footer") << f;
    if (!failed) {
      EXPECT_EQ("new header", h);
      EXPECT_EQ("new footer", f);
      break;
    }
  }
}

// With the Nth allocation failing, the saved block is still a sequence of whole records, each
// holding its variable's true value.
TEST_F(ConfigBlock, SaveWithoutMemoryWritesOnlyWholeRecords) {
  set({"h", "a footer", "%title%", 0});
  const std::string full = save();
  for (uint32_t n = 1; n < 50; ++n) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    vorlane::fail_allocation(n, true);
    std::string block = save();
    bool failed = vorlane::allocation_failed();
    vorlane::fail_allocation(0, false);
    // Every record of the block must appear, whole, in the full block.
    size_t at = 0;
    while (at < block.size()) {
      ASSERT_LE(at + 4, block.size());
      uint32_t n_len = static_cast<uint8_t>(block[at]);
      ASSERT_LE(at + 8 + n_len, block.size());
      uint32_t v_len = static_cast<uint8_t>(block[at + 4 + n_len]);
      std::string one = block.substr(at, 8 + n_len + v_len);
      EXPECT_NE(std::string::npos, full.find(one)) << hex(one);
      at += one.size();
    }
    if (!failed) {
      EXPECT_EQ(hex(full), hex(block));
      break;
    }
  }
}
