#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/allocator.h"
#include "common/block_bytes.h"
#include "config/config_file.h"
#include "config/config_var.h"
#include "platform/kestrel/kestrel.h"
#include "support/fake_files.h"
#include "support/fake_host.h"

namespace {

using test_support::hex;

using vorlane::settings::autocrlf;
using vorlane::settings::footer;
using vorlane::settings::format;
using vorlane::settings::header;

struct SavedSettings {
  std::string header, format, footer;
  int32_t autocrlf;
  bool operator==(const SavedSettings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SavedSettings& s) {
  return out << "{\"" << s.header << "\", \"" << s.format << "\", \"" << s.footer << "\", "
             << s.autocrlf << "}";
}

SavedSettings current_settings() {
  return {header.get_text(), format.get_text(), footer.get_text(), autocrlf.get_value()};
}

void apply(const SavedSettings& s) {
  header.set_text(s.header.c_str());
  format.set_text(s.format.c_str());
  footer.set_text(s.footer.c_str());
  autocrlf.set_value(s.autocrlf);
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values)
    out += static_cast<char>(v);
  return out;
}

// A text's length field and bytes, as the file holds them.
std::string field(const std::string& text) {
  return bytes({static_cast<int>(text.size() & 0xFF), static_cast<int>(text.size() >> 8)}) + text;
}

const SavedSettings kOld = {"old header", "old format", "old footer", 0};
const SavedSettings kDefaults = {"", "", "", 1};

// Two file systems: "disk:" paths, then "mem:" paths. The tests' files live in the second, so
// every open walks past the first.
class ConfigFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    host_.add(vorlane::kMessageServiceClass, &messages_);
    host_.add(vorlane::kFileSystemServiceClass, &disk_);
    host_.add(vorlane::kFileSystemServiceClass, &mem_);
    apply(kOld);
  }
  void TearDown() override {
    kestrel_answer_next_file_dialog(nullptr);
    for (fake::Files* files : {&disk_, &mem_}) {
      EXPECT_TRUE(files->every_file_ended_once())
          << files->live_files() << " files left open, " << files->misuses << " misuses";
      EXPECT_EQ(0, files->outstanding()) << "file-system service references not given back";
    }
    EXPECT_EQ(0, messages_.outstanding());
    apply(kDefaults);
  }

  void load(const char* path) {
    kestrel_answer_next_file_dialog(path);
    vorlane::LoadConfig(nullptr);
  }
  void save(const char* path) {
    kestrel_answer_next_file_dialog(path);
    vorlane::SaveConfig(nullptr);
  }
  std::vector<std::string> message_texts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages_.posted) {
      EXPECT_EQ(3, message.level);
      texts.push_back(message.text);
    }
    return texts;
  }
  using Texts = std::vector<std::string>;

  fake::Host host_;
  fake::Messages messages_;
  fake::Files disk_{"disk:"};
  fake::Files mem_{"mem:"};
};

TEST_F(ConfigFileTest, SaveWritesTheRecord) {
  const std::string long_text(300, 'x'), longest(65535, 'y');
  const struct {
    const char* what;
    SavedSettings settings;
    std::string file;
  } rows[] = {
      {"defaults", kDefaults, bytes({0, 0, 0, 0, 0, 0, 1})},
      {"abc header", {"abc", "", "", 1}, bytes({3, 0, 'a', 'b', 'c', 0, 0, 0, 0, 1})},
      {"three texts, line end off",
       {"h", "f%", "ft", 0},
       bytes({1, 0, 'h', 2, 0, 'f', '%', 2, 0, 'f', 't', 0})},
      {"switch 2 saves as 1", {"", "", "", 2}, bytes({0, 0, 0, 0, 0, 0, 1})},
      {"switch -1 saves as 1", {"", "", "", -1}, bytes({0, 0, 0, 0, 0, 0, 1})},
      {"texts byte for byte",
       {"a\r\nb", "\xe2\x82\xac", "\t", 1},
       field("a\r\nb") + field("\xe2\x82\xac") + field("\t") + bytes({1})},
      {"300-byte header", {long_text, "", "", 0}, field(long_text) + bytes({0, 0, 0, 0, 0})},
      {"longest footer", {"", "", longest, 1}, bytes({0, 0, 0, 0}) + field(longest) + bytes({1})},
  };
  for (const auto& row : rows) {
    apply(row.settings);
    save("mem:out.tvc");
    EXPECT_EQ(hex(row.file), hex(mem_.contents["mem:out.tvc"])) << row.what;
    EXPECT_EQ(row.settings, current_settings()) << row.what << ": saving changed a setting";
  }
  EXPECT_EQ(Texts{}, message_texts());
}

TEST_F(ConfigFileTest, LoadReadsTheRecordOrChangesNothing) {
  const std::string longest(65535, 'z');
  const struct {
    const char* what;
    std::string file;
    bool valid;
    SavedSettings loaded; // when valid
  } rows[] = {
      {"defaults", bytes({0, 0, 0, 0, 0, 0, 1}), true, kDefaults},
      {"six zero bytes: the switch reads as 1", bytes({0, 0, 0, 0, 0, 0}), true, kDefaults},
      {"abc header", bytes({3, 0, 'a', 'b', 'c', 0, 0, 0, 0, 1}), true, {"abc", "", "", 1}},
      {"switch 0", bytes({1, 0, 'h', 1, 0, 'f', 1, 0, 't', 0}), true, {"h", "f", "t", 0}},
      {"switch 2", bytes({0, 0, 0, 0, 0, 0, 2}), true, {"", "", "", 2}},
      {"switch 255", bytes({0, 0, 0, 0, 0, 0, 255}), true, {"", "", "", 255}},
      {"trailing bytes ignored",
       bytes({1, 0, 'h', 0, 0, 0, 0, 0, 'x', 'y', 'z'}),
       true,
       {"h", "", "", 0}},
      {"inner zero ends the text, the next field is read in place",
       bytes({3, 0, 'a', 0, 'b', 1, 0, 'f', 2, 0, 0, 'g', 1}),
       true,
       {"a", "f", "", 1}},
      {"texts byte for byte",
       field("a\r\nb") + field("\xe2\x82\xac") + field("\t") + bytes({1}),
       true,
       {"a\r\nb", "\xe2\x82\xac", "\t", 1}},
      {"longest format",
       bytes({0, 0}) + field(longest) + bytes({0, 0, 1}),
       true,
       {"", longest, "", 1}},
      {"empty file", "", false, {}},
      {"one byte", bytes({0}), false, {}},
      {"header length past the end", bytes({5, 0, 'a', 'b'}), false, {}},
      {"header text missing", bytes({1, 0}), false, {}},
      {"format length past the end", bytes({1, 0, 'h', 5, 0, 'f'}), false, {}},
      {"format length cut short", bytes({1, 0, 'h', 5}), false, {}},
      {"footer length past the end", bytes({1, 0, 'h', 1, 0, 'f', 9, 0}), false, {}},
      {"footer length missing", bytes({0, 0, 0, 0}), false, {}},
  };
  for (const auto& row : rows) {
    apply(kOld);
    messages_.posted.clear();
    mem_.contents["mem:in.tvc"] = row.file;
    load("mem:in.tvc");
    EXPECT_EQ(row.valid ? row.loaded : kOld, current_settings()) << row.what;
    EXPECT_EQ(row.valid ? Texts{} : Texts{"Invalid config file: \"mem:in.tvc\""}, message_texts())
        << row.what;
  }
}

TEST_F(ConfigFileTest, SwitchTwoLoadsAsTwoAndSavesBackAsOne) {
  mem_.contents["mem:in.tvc"] = bytes({0, 0, 0, 0, 0, 0, 2});
  load("mem:in.tvc");
  EXPECT_EQ(2, autocrlf.get_value());
  save("mem:out.tvc");
  EXPECT_EQ(hex(bytes({0, 0, 0, 0, 0, 0, 1})), hex(mem_.contents["mem:out.tvc"]));
}

TEST_F(ConfigFileTest, SavedFileLoadsBack) {
  const SavedSettings saved = {"<table>\r\n", "<tr><td>%title%</td></tr>", "</table>", 0};
  apply(saved);
  save("mem:round.tvc");
  apply(kOld);
  load("mem:round.tvc");
  EXPECT_EQ(saved, current_settings());
  EXPECT_EQ(Texts{}, message_texts());
}

TEST_F(ConfigFileTest, OpensThroughTheFirstServiceThatAcceptsThePath) {
  mem_.contents["mem:in.tvc"] = bytes({1, 0, 'h', 0, 0, 0, 0, 1});
  load("mem:in.tvc");
  EXPECT_EQ("h", current_settings().header);
  // Each service was asked for the path form, then whether it takes the path; the first said
  // no to both and was given back.
  EXPECT_EQ(Texts{"mem:in.tvc"}, disk_.canonical_asked);
  EXPECT_EQ(Texts{"mem:in.tvc"}, disk_.accepts_asked);
  EXPECT_EQ(Texts{}, disk_.created);
  EXPECT_EQ(Texts{"mem:in.tvc"}, mem_.accepts_asked);
  EXPECT_EQ(Texts{"mem:in.tvc"}, mem_.created);
  ASSERT_EQ(1u, mem_.made.size());
  EXPECT_EQ(1, mem_.made[0]->mode());
  EXPECT_EQ(1, mem_.made[0]->releases);
  EXPECT_EQ(0, mem_.made[0]->discards);
}

TEST_F(ConfigFileTest, UsesThePathFormOfTheFirstServiceThatGivesOne) {
  mem_.canonical_prefix = "mem:";
  disk_.canonical_prefix = "disk:";
  mem_.contents["mem:in.tvc"] = bytes({1, 0, 'h', 0, 0, 0, 0, 1});
  load("MEM:in.tvc");
  EXPECT_EQ("h", current_settings().header);
  EXPECT_EQ(Texts{"mem:in.tvc"}, disk_.accepts_asked);
  EXPECT_EQ(Texts{"mem:in.tvc"}, mem_.created);
  // Messages name the path as the dialog gave it.
  load("MEM:missing.tvc");
  EXPECT_EQ(Texts{"Error opening config file: \"MEM:missing.tvc\""}, message_texts());
  ASSERT_EQ(2u, mem_.made.size());
  EXPECT_EQ("mem:missing.tvc", mem_.made[1]->path());
}

// The services after the first that gives a path form are not asked for one; every service
// asked is given back.
TEST_F(ConfigFileTest, PathFormLookupStopsAtTheFirstAnswer) {
  fake::Files later{"mem:"};
  later.canonical_prefix = "late:";
  host_.add(vorlane::kFileSystemServiceClass, &later);
  mem_.canonical_prefix = "mem:";
  mem_.contents["mem:in.tvc"] = bytes({1, 0, 'h', 0, 0, 0, 0, 1});
  load("MEM:in.tvc");
  EXPECT_EQ("h", current_settings().header);
  EXPECT_EQ(Texts{"MEM:in.tvc"}, disk_.canonical_asked);
  EXPECT_EQ(Texts{"MEM:in.tvc"}, mem_.canonical_asked);
  EXPECT_EQ(Texts{}, later.canonical_asked);
  EXPECT_EQ(Texts{}, later.accepts_asked);
  EXPECT_EQ(Texts{"mem:in.tvc"}, mem_.created);
  EXPECT_EQ(0, later.outstanding());
  EXPECT_EQ(Texts{}, message_texts());
}

TEST_F(ConfigFileTest, FileDialogIsAskedForAConfigFile) {
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5a50));
  const struct {
    void (*command)(HWND);
    const char* title;
    BOOL save;
  } rows[] = {{vorlane::LoadConfig, "Load Configuration", 0},
              {vorlane::SaveConfig, "Save Configuration", 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    KestrelFileDialogCall before = {};
    kestrel_last_file_dialog(&before);
    kestrel_answer_next_file_dialog("cancel");
    row.command(owner);
    KestrelFileDialogCall call = {};
    ASSERT_TRUE(kestrel_last_file_dialog(&call));
    EXPECT_EQ(before.number + 1, call.number) << "one dialog per command";
    EXPECT_EQ(owner, call.owner);
    EXPECT_STREQ("Config Files (*.tvc)|*.tvc", call.filter);
    EXPECT_EQ(0u, call.filter_index);
    EXPECT_STREQ("tvc", call.default_extension);
    EXPECT_STREQ(row.title, call.title);
    EXPECT_EQ(nullptr, call.initial_folder);
    EXPECT_NE(nullptr, call.result);
    EXPECT_EQ(0u, call.result_length) << "the result string is not new";
    EXPECT_EQ(row.save, call.save);
  }
}

// The message goes out while the file is still held; the file is given back after it.
TEST_F(ConfigFileTest, InvalidFileIsReportedBeforeItIsReleased) {
  class Watching final : public fake::Counted<vorlane::MessageService> {
  public:
    explicit Watching(const fake::Files& files) : files_(files) {}
    void post_message(int32_t, const char* text, const char*) override {
      posted.push_back({text, files_.live_files()});
    }
    std::vector<std::pair<std::string, int>> posted; // text, files held then
  private:
    const fake::Files& files_;
  };
  fake::Host host;
  Watching messages(mem_);
  host.add(vorlane::kMessageServiceClass, &messages);
  host.add(vorlane::kFileSystemServiceClass, &mem_);
  // Empty, format cut short, footer length missing.
  const std::string files[] = {"", bytes({1, 0, 'h', 5, 0, 'f'}), bytes({0, 0, 0, 0})};
  const std::pair<std::string, int> reported = {"Invalid config file: \"mem:in.tvc\"", 1};
  for (const std::string& file : files) {
    messages.posted.clear();
    mem_.contents["mem:in.tvc"] = file;
    load("mem:in.tvc");
    EXPECT_EQ((std::vector<std::pair<std::string, int>>{reported}), messages.posted) << hex(file);
    EXPECT_EQ(0, mem_.live_files()) << hex(file);
  }
  EXPECT_EQ(0, messages.outstanding());
}

TEST_F(ConfigFileTest, FilesThatDoNotOpenAreReported) {
  mem_.contents["mem:locked.tvc"] = bytes({0, 0, 0, 0, 0, 0, 1});
  mem_.unopenable = {"mem:locked.tvc"};
  const struct {
    const char* what;
    const char* path;
    bool refuse_create;
    bool created;
  } rows[] = {
      {"no service takes the path", "net:a.tvc", false, false},
      {"the service makes no file", "mem:a.tvc", true, true},
      {"the file does not open", "mem:locked.tvc", false, true},
      {"a missing file does not open for reading", "mem:missing.tvc", false, true},
  };
  for (const auto& row : rows) {
    mem_.refuse_create = row.refuse_create;
    bool reading = std::string(row.path) != "mem:missing.tvc";
    for (bool loading : {true, false}) {
      if (!loading && !reading)
        continue;
      messages_.posted.clear();
      mem_.created.clear();
      std::string quoted = std::string("\"") + row.path + "\"";
      if (loading)
        load(row.path);
      else
        save(row.path);
      EXPECT_EQ(
          Texts{(loading ? "Error opening config file: " : "Can not save to file: ") + quoted},
          message_texts())
          << row.what;
      EXPECT_EQ(row.created ? Texts{row.path} : Texts{}, mem_.created) << row.what;
      EXPECT_EQ(kOld, current_settings()) << row.what;
    }
  }
  EXPECT_EQ(hex(bytes({0, 0, 0, 0, 0, 0, 1})), hex(mem_.contents["mem:locked.tvc"]));
  // Files whose open failed were discarded, not released.
  for (const auto& file : mem_.made)
    EXPECT_EQ(1, file->discards) << file->path();
}

TEST_F(ConfigFileTest, NoFileSystemAtAll) {
  fake::Host bare;
  bare.add(vorlane::kMessageServiceClass, &messages_);
  load("mem:a.tvc");
  save("mem:a.tvc");
  EXPECT_EQ(
      (Texts{"Error opening config file: \"mem:a.tvc\"", "Can not save to file: \"mem:a.tvc\""}),
      message_texts());
  EXPECT_EQ(kOld, current_settings());
}

TEST_F(ConfigFileTest, EveryShortWriteIsReported) {
  apply({"abc", "f", "", 1});
  for (int nth = 1;; ++nth) {
    messages_.posted.clear();
    mem_.fail_write(nth);
    save("mem:out.tvc");
    if (!mem_.fault_happened() && mem_.writes() < nth) {
      EXPECT_EQ(Texts{}, message_texts());
      EXPECT_EQ(hex(bytes({3, 0, 'a', 'b', 'c', 1, 0, 'f', 0, 0, 1})),
                hex(mem_.contents["mem:out.tvc"]));
      break;
    }
    if (mem_.fault_happened())
      EXPECT_EQ(Texts{"Can not save to file: \"mem:out.tvc\""}, message_texts()) << "write " << nth;
    else
      EXPECT_EQ(Texts{}, message_texts()) << "write " << nth << " was empty";
    ASSERT_LT(nth, 20) << "the save never completes";
  }
  EXPECT_EQ((SavedSettings{"abc", "f", "", 1}), current_settings());
}

TEST_F(ConfigFileTest, EveryShortReadLeavesTheSettingsAlone) {
  const SavedSettings file_settings = {"abc", "f", "ft", 1};
  mem_.contents["mem:in.tvc"] = field(file_settings.header) + field(file_settings.format) +
                                field(file_settings.footer) + bytes({1});
  for (int nth = 1;; ++nth) {
    apply(kOld);
    messages_.posted.clear();
    mem_.fail_read(nth);
    load("mem:in.tvc");
    if (!mem_.fault_happened()) {
      EXPECT_EQ(file_settings, current_settings());
      EXPECT_EQ(Texts{}, message_texts());
      EXPECT_EQ(8, nth) << "two reads per text and one for the switch";
      break;
    }
    if (nth == 7) {
      // A switch byte that does not come reads as the end of the file: the switch is 1.
      EXPECT_EQ(file_settings, current_settings());
      EXPECT_EQ(Texts{}, message_texts());
    } else {
      EXPECT_EQ(kOld, current_settings()) << "read " << nth;
      EXPECT_EQ(Texts{"Invalid config file: \"mem:in.tvc\""}, message_texts()) << "read " << nth;
    }
    ASSERT_LT(nth, 20);
  }
}

TEST_F(ConfigFileTest, TextTooLongForItsLengthFieldIsRefusedBeforeAnyFileOpens) {
  const std::string too_long(65536, 'a');
  for (int which = 0; which < 3; ++which) {
    SavedSettings settings = kDefaults;
    std::string* texts[] = {&settings.header, &settings.format, &settings.footer};
    *texts[which] = too_long;
    apply(settings);
    messages_.posted.clear();
    uint32_t asked = host_.requests(vorlane::kFileSystemServiceClass);
    save("mem:out.tvc");
    EXPECT_EQ(asked, host_.requests(vorlane::kFileSystemServiceClass));
    ASSERT_EQ(1u, messages_.posted.size());
    EXPECT_EQ(0u, messages_.posted[0].text.find("Can not save to file: \"mem:out.tvc\""))
        << messages_.posted[0].text;
    EXPECT_NE(std::string::npos, messages_.posted[0].text.find("65535"))
        << "the message says why: " << messages_.posted[0].text;
    EXPECT_EQ(settings, current_settings());
  }
  EXPECT_EQ(0u, mem_.contents.count("mem:out.tvc"));
  EXPECT_EQ(Texts{}, mem_.created);
}

TEST_F(ConfigFileTest, CancelledDialogDoesNothing) {
  mem_.contents["mem:in.tvc"] = bytes({0, 0, 0, 0, 0, 0, 1});
  load("cancel");
  save("cancel");
  EXPECT_EQ(0u, host_.requests(vorlane::kFileSystemServiceClass));
  EXPECT_EQ(Texts{}, message_texts());
  EXPECT_EQ(kOld, current_settings());
}

TEST_F(ConfigFileTest, AllocationFailuresLoseNothingAndLeakNothing) {
  const SavedSettings file_settings = {"header text", "format text", "footer text", 0};
  mem_.contents["mem:in.tvc"] = field(file_settings.header) + field(file_settings.format) +
                                field(file_settings.footer) + bytes({0});
  for (uint32_t nth = 1;; ++nth) {
    apply(kOld);
    messages_.posted.clear();
    vorlane::fail_allocation(nth, false);
    load("mem:in.tvc");
    bool failed = vorlane::allocation_failed();
    vorlane::fail_allocation(0, false);
    SavedSettings now = current_settings();
    if (!failed) {
      EXPECT_EQ(file_settings, now);
      break;
    }
    // Each setting is whole: either what it was or what the file says.
    EXPECT_TRUE(now.header == kOld.header || now.header == file_settings.header) << nth;
    EXPECT_TRUE(now.format == kOld.format || now.format == file_settings.format) << nth;
    EXPECT_TRUE(now.footer == kOld.footer || now.footer == file_settings.footer) << nth;
    ASSERT_LT(nth, 200u);
  }
}

} // namespace
