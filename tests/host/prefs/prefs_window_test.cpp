// The preferences window with the real module: its page found and hosted, and the page's file
// commands going through the host's file-system services, including services that tests add
// beside the local one.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "base/utf8_string.h"
#include "diag/audit.h"
#include "platform/kestrel/kestrel.h"
#include "prefs/custom_page.h"
#include "prefs/prefs_window.h"
#include "services/file_system_service.h"
#include "session/config_block.h"
#include "session/host.h"
#include "support/files.h"

namespace {

using tessaly::Audit;

using tessaly::custom_page::kFooterBox;
using tessaly::custom_page::kFormatBox;
using tessaly::custom_page::kHeaderBox;
using tessaly::custom_page::kLineEndBox;
using tessaly::custom_page::kLoadButton;
using tessaly::custom_page::kResetButton;
using tessaly::custom_page::kSaveButton;

// Files kept in memory under "mem://", counted in the audit like the host's own files.
class MemoryFiles;

class MemoryFile final : public vorlane::HostFile {
public:
  MemoryFile(MemoryFiles& owner, std::string path) : owner_(owner), path_(std::move(path)) {
    Audit::instance().opened("HostFile");
  }
  int32_t release() override {
    int32_t left = --refs_;
    if (left == 0)
      delete this;
    return left;
  }
  int32_t add_ref() override { return ++refs_; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  uint64_t size() override;
  bool open(const char* path, int32_t mode) override;
  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override;
  bool flush() override { return true; }
  void discard() override { delete this; }

private:
  ~MemoryFile() { Audit::instance().closed("HostFile"); }
  MemoryFiles& owner_;
  std::string path_;
  int32_t refs_ = 1;
  int32_t mode_ = 0;
  size_t position_ = 0;
};

class MemoryFiles final : public tessaly::CountedService<vorlane::FileSystemService> {
public:
  MemoryFiles() : CountedService("MemoryFileSystem") {}
  int32_t canonical_path(const char*, vorlane::StringSink*) override { return 0; }
  int32_t accepts_path(const char* path) override {
    return path && std::string(path).rfind("mem://", 0) == 0;
  }
  int32_t exists(const char* path) override { return files.count(path) != 0; }
  vorlane::HostFile* create_file(const char* path) override { return new MemoryFile(*this, path); }
  std::map<std::string, std::string> files;
};

uint64_t MemoryFile::size() {
  return owner_.files[path_].size();
}

bool MemoryFile::open(const char* path, int32_t mode) {
  if (mode_ != 0 || path_ != path || (mode == 1 && !owner_.files.count(path_)))
    return false;
  if (mode == 3)
    owner_.files[path_].clear();
  mode_ = mode;
  return mode == 1 || mode == 3;
}

uint32_t MemoryFile::read(void* buffer, uint32_t count) {
  const std::string& bytes = owner_.files[path_];
  if (mode_ != 1 || position_ >= bytes.size())
    return 0;
  uint32_t n = static_cast<uint32_t>(std::min<size_t>(count, bytes.size() - position_));
  std::memcpy(buffer, bytes.data() + position_, n);
  position_ += n;
  return n;
}

uint32_t MemoryFile::write(const void* buffer, uint32_t count) {
  if (mode_ != 3)
    return 0;
  owner_.files[path_].append(static_cast<const char*>(buffer), count);
  return count;
}

// Local files under "faulty://" whose Nth read or write falls one byte short.
class FaultyFiles;

class FaultyFile final : public vorlane::HostFile {
public:
  FaultyFile(FaultyFiles& owner, vorlane::HostFile* inner) : owner_(owner), inner_(inner) {}
  int32_t release() override {
    inner_->release();
    delete this;
    return 0;
  }
  int32_t add_ref() override { return 2; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  uint64_t size() override { return inner_->size(); }
  bool open(const char* path, int32_t mode) override;
  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override;
  bool flush() override { return inner_->flush(); }
  void discard() override {
    inner_->discard();
    delete this;
  }

private:
  FaultyFiles& owner_;
  vorlane::HostFile* inner_;
};

class FaultyFiles final : public tessaly::CountedService<vorlane::FileSystemService> {
public:
  FaultyFiles() : CountedService("FaultyFileSystem") {}
  static std::string local_part(const char* path) { return std::string(path).substr(9); }
  int32_t canonical_path(const char*, vorlane::StringSink*) override { return 0; }
  int32_t accepts_path(const char* path) override {
    return path && std::string(path).rfind("faulty://", 0) == 0;
  }
  int32_t exists(const char* path) override { return local.exists(local_part(path).c_str()); }
  vorlane::HostFile* create_file(const char* path) override {
    vorlane::HostFile* inner = local.create_file(local_part(path).c_str());
    return inner ? new FaultyFile(*this, inner) : nullptr;
  }
  // The count that the next read or write may place.
  uint32_t allowed(uint32_t count) {
    if (++operations != fail_at || count == 0)
      return count;
    fell_short = true;
    return count - 1;
  }
  void arm(int nth) {
    fail_at = nth;
    operations = 0;
    fell_short = false;
  }

  tessaly::LocalFileSystem local;
  int fail_at = 0, operations = 0;
  bool fell_short = false;
};

bool FaultyFile::open(const char* path, int32_t mode) {
  return inner_->open(FaultyFiles::local_part(path).c_str(), mode);
}

uint32_t FaultyFile::read(void* buffer, uint32_t count) {
  return inner_->read(buffer, owner_.allowed(count));
}

uint32_t FaultyFile::write(const void* buffer, uint32_t count) {
  return inner_->write(buffer, owner_.allowed(count));
}

std::string read_all(const std::filesystem::path& path) {
  std::string bytes, error;
  tessaly::read_file(path.generic_string(), &bytes, &error);
  return bytes;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values)
    out += static_cast<char>(v);
  return out;
}

class PrefsWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tessaly-prefs-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    tessaly::HostOptions options;
    options.profile = (folder_ / "profile").generic_string();
    options.echo_messages = false;
    host_ = std::make_unique<tessaly::Host>(options);
    ASSERT_TRUE(host_->start());
    window_ = std::make_unique<tessaly::PreferencesWindow>(*host_);
    std::string error;
    ASSERT_TRUE(window_->create(&error)) << error;
  }
  void TearDown() override {
    kestrel_answer_next_file_dialog(nullptr);
    window_.reset();
    host_.reset();
    for (const char* kind :
         {"HostFile", "FileSystemService", "MemoryFileSystem", "FaultyFileSystem"})
      EXPECT_EQ(0, Audit::instance().live(kind)) << kind << " not given back";
    std::filesystem::remove_all(folder_);
  }

  void open_custom() {
    std::string error;
    ASSERT_TRUE(window_->open_page("Custom", "Telvane", &error)) << error;
  }
  void click(int id) {
    SendMessageA(GetDlgItem(window_->page(), id), BM_CLICK, 0, 0);
    window_->handle_pending_messages();
  }
  void use_file(int button, const std::string& path) {
    kestrel_answer_next_file_dialog(path.c_str());
    click(button);
    kestrel_answer_next_file_dialog(nullptr);
  }
  std::string setting(const char* name) {
    std::vector<tessaly::ConfigRecord> records;
    EXPECT_TRUE(tessaly::parse_config_block(
        tessaly::current_config_block(*host_->find_module("vorlane")->client), &records));
    for (const auto& record : records) {
      if (record.name == name)
        return record.value;
    }
    return "(missing)";
  }
  std::vector<std::string> errors() const {
    std::vector<std::string> texts;
    for (const auto& message : host_->messages().messages())
      texts.push_back(message.text);
    return texts;
  }
  using Texts = std::vector<std::string>;

  std::filesystem::path folder_;
  std::unique_ptr<tessaly::Host> host_;
  std::unique_ptr<tessaly::PreferencesWindow> window_;
};

TEST_F(PrefsWindowTest, ListsTheCustomPageUnderTelvane) {
  const auto& pages = window_->pages();
  ASSERT_EQ(1u, pages.size());
  EXPECT_EQ("Custom", pages[0].name);
  EXPECT_EQ("Telvane", pages[0].parent);
  EXPECT_EQ(0u, pages[0].module.find("vorlane."));
  auto list = tessaly::page_list(pages);
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ("Telvane", list[0].name);
  EXPECT_EQ(nullptr, list[0].page) << "no loaded module offers a Telvane page";
  ASSERT_EQ(1u, list[0].children.size());
  EXPECT_EQ(&pages[0], list[0].children[0].page);
}

TEST_F(PrefsWindowTest, HostsThePageAndDestroysItOnClose) {
  open_custom();
  HWND page = window_->page();
  ASSERT_NE(nullptr, page);
  EXPECT_EQ(window_->window(), GetParent(page));
  EXPECT_NE(nullptr, GetDlgItem(page, kHeaderBox));
  std::string error;
  EXPECT_TRUE(window_->open_page("Custom", "Telvane", &error)) << "opening the open page again";
  EXPECT_EQ(page, window_->page());
  window_->close_page();
  EXPECT_FALSE(IsWindow(page));
  EXPECT_EQ(nullptr, window_->page());
  EXPECT_EQ(nullptr, window_->open_page_info());
  window_->close_page();
  open_custom();
  EXPECT_TRUE(IsWindow(window_->page()));
}

TEST_F(PrefsWindowTest, RefusesAPageNobodyOffers) {
  std::string error;
  EXPECT_FALSE(window_->open_page("Custom", "Elsewhere", &error));
  EXPECT_NE(std::string::npos, error.find("Elsewhere > Custom")) << error;
  EXPECT_EQ(nullptr, window_->page());
}

TEST_F(PrefsWindowTest, LaterServiceOpensWhatOnlyItAccepts) {
  MemoryFiles memory;
  host_->registry().add(vorlane::kFileSystemServiceClass, &memory);
  open_custom();
  use_file(kSaveButton, "mem://a.tvc");
  EXPECT_EQ(bytes({0, 0, 0, 0, 0, 0, 1}), memory.files["mem://a.tvc"]);
  memory.files["mem://b.tvc"] = bytes({2, 0, 'h', 'i', 2, 0, 'f', 'o', 2, 0, 'f', 't', 0});
  use_file(kLoadButton, "mem://b.tvc");
  EXPECT_EQ("hi", setting("header"));
  EXPECT_EQ("fo", setting("format"));
  EXPECT_EQ("ft", setting("footer"));
  EXPECT_EQ(bytes({0, 0, 0, 0}), setting("autocrlf"));
  // Every control shows what was loaded (the page showed the defaults before).
  HWND page = window_->page();
  for (auto [id, shown] : {std::pair{kHeaderBox, "hi"}, {kFormatBox, "fo"}, {kFooterBox, "ft"}}) {
    vorlane::Utf8String text;
    uGetWindowText(GetDlgItem(page, id), &text);
    EXPECT_STREQ(shown, text.text()) << "edit " << id;
  }
  EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), IsDlgButtonChecked(page, kLineEndBox));
  EXPECT_EQ(Texts{}, errors());
  host_->registry().remove(vorlane::kFileSystemServiceClass, &memory);
}

TEST_F(PrefsWindowTest, LocalFilesByPathAndByFileLocation) {
  open_custom();
  std::string path = (folder_ / "a b.tvc").generic_string();
  std::string location =
      (path[0] == '/' ? "file://" : "file:///") + folder_.generic_string() + "/a%20b.tvc";
  use_file(kSaveButton, location);
  EXPECT_EQ(bytes({0, 0, 0, 0, 0, 0, 1}), read_all(path));
  std::FILE* file = tessaly::open_file(path, "wb");
  std::fwrite("\x01\x00x\x00\x00\x00\x00\x01", 1, 8, file);
  std::fclose(file);
  use_file(kLoadButton, path);
  EXPECT_EQ("x", setting("header"));
  use_file(kLoadButton, (folder_ / "missing.tvc").generic_string());
  EXPECT_EQ(
      Texts{"Error opening config file: \"" + (folder_ / "missing.tvc").generic_string() + "\""},
      errors());
}

TEST_F(PrefsWindowTest, EveryShortWriteAndReadIsReportedAndReleased) {
  FaultyFiles faulty;
  host_->registry().add(vorlane::kFileSystemServiceClass, &faulty);
  open_custom();
  std::string path = "faulty://" + (folder_ / "f.tvc").generic_string();
  // The defaults: writes of 2, 0, 2, 0, 2, 0 and 1 bytes; an empty one cannot fall short.
  size_t messages = 0;
  for (int nth = 1;; ++nth) {
    faulty.arm(nth);
    use_file(kSaveButton, path);
    ASSERT_GT(faulty.operations, 0) << "the file did not go through the faulty service";
    if (faulty.operations < nth)
      break;
    if (faulty.fell_short) {
      ASSERT_EQ(messages + 1, errors().size()) << "write " << nth;
      EXPECT_EQ("Can not save to file: \"" + path + "\"", errors().back());
      ++messages;
    }
    ASSERT_EQ(messages, errors().size()) << "write " << nth;
    ASSERT_LT(nth, 20);
  }
  EXPECT_EQ(bytes({0, 0, 0, 0, 0, 0, 1}), read_all(folder_ / "f.tvc"));

  std::FILE* file = tessaly::open_file((folder_ / "f.tvc").generic_string(), "wb");
  std::fwrite("\x02\x00hi\x01\x00"
              "f\x01\x00t\x00",
              1, 12, file);
  std::fclose(file);
  for (int nth = 1;; ++nth) {
    click(kResetButton); // back to the defaults
    faulty.arm(nth);
    use_file(kLoadButton, path);
    if (!faulty.fell_short) {
      EXPECT_EQ("hi", setting("header"));
      EXPECT_EQ(bytes({0, 0, 0, 0}), setting("autocrlf"));
      break;
    }
    if (nth < 7) {
      EXPECT_EQ("", setting("header")) << "read " << nth;
      ASSERT_EQ(messages + 1, errors().size()) << "read " << nth;
      EXPECT_EQ("Invalid config file: \"" + path + "\"", errors().back());
      ++messages;
    }
    ASSERT_LT(nth, 20);
  }
  host_->registry().remove(vorlane::kFileSystemServiceClass, &faulty);
}

TEST(PageList, ParentsAndChildren) {
  using tessaly::PageListEntry;
  using tessaly::PreferencesPageInfo;
  std::function<std::string(const std::vector<PageListEntry>&)> render =
      [&](const std::vector<PageListEntry>& entries) {
        std::string out;
        for (const PageListEntry& entry : entries) {
          if (!out.empty())
            out += ',';
          out.append(entry.name);
          if (!entry.page)
            out.append("(-)");
          if (!entry.children.empty())
            out.append("[").append(render(entry.children)).append("]");
        }
        return out;
      };
  const struct {
    std::vector<std::pair<const char*, const char*>> pages; // name, parent
    const char* list;
  } rows[] = {
      {{}, ""},
      {{{"Custom", "Telvane"}}, "Telvane(-)[Custom]"},
      {{{"Custom", "Telvane"}, {"Telvane", ""}}, "Telvane[Custom]"},
      {{{"Telvane", ""}, {"Custom", "Telvane"}}, "Telvane[Custom]"},
      {{{"Custom", "Telvane"}, {"Other", "Telvane"}, {"Tools", ""}},
       "Telvane(-)[Custom,Other],Tools"},
      {{{"Custom", "Telvane"}, {"Telvane", "Output"}}, "Output(-)[Telvane[Custom]]"},
      {{{"A", "A"}}, "A"},
      {{{"A", "B"}, {"B", "A"}}, "B[A]"},
  };
  for (const auto& row : rows) {
    std::vector<PreferencesPageInfo> pages;
    for (const auto& [name, parent] : row.pages)
      pages.push_back({"m", nullptr, name, parent});
    EXPECT_EQ(row.list, render(tessaly::page_list(pages)));
  }
}

} // namespace
