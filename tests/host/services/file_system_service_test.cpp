#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/utf8_string.h"
#include "diag/audit.h"
#include "local_path_rows.h"
#include "services/file_system_service.h"
#include "services/message_service.h"
#include "session/host.h"

namespace {

using tessaly::Audit;
using tessaly::LocalFileSystem;

const LocalPathRow kCommonRows[] = {
    {"", nullptr},
    {"/tmp/a.tvc", "/tmp/a.tvc"},
    {"a.tvc", "a.tvc"},
    {"C:\\x\\a.tvc", "C:\\x\\a.tvc"},
    {"a:b.tvc", "a:b.tvc"},
    {"file:///tmp/a.tvc", "/tmp/a.tvc"},
    {"FILE:///tmp/a.tvc", "/tmp/a.tvc"},
    {"file://localhost/tmp/a.tvc", "/tmp/a.tvc"},
    {"file://LocalHost/tmp/a.tvc", "/tmp/a.tvc"},
    {"file:/tmp/a.tvc", "/tmp/a.tvc"},
    {"file:///tmp/a%20b%2fc.tvc", "/tmp/a b/c.tvc"},
    {"file:///tmp/%E2%82%AC.tvc", "/tmp/\xe2\x82\xac.tvc"},
    {"file:///tmp/100%25.tvc", "/tmp/100%.tvc"},
    {"file:///tmp/a.tvc?x=1", "/tmp/a.tvc"},
    {"file:///tmp/a.tvc#top", "/tmp/a.tvc"},
    {"file:///tmp/%zz.tvc", nullptr},
    {"file:///tmp/a%2", nullptr},
    {"file:///tmp/a%00b", nullptr},
    {"file://", nullptr},
    {"file:///", "/"},
    {"file://localhost", nullptr},
    {"file:a.tvc", nullptr},
    {"http://example.org/a.tvc", nullptr},
    {"mem://a.tvc", nullptr},
};

void check_rows(const LocalPathRow* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    std::string path = "(unchanged)";
    bool local = tessaly::local_path_of(rows[i].location, &path);
    if (!rows[i].path) {
      EXPECT_FALSE(local) << rows[i].location << " gave " << path;
      continue;
    }
    EXPECT_TRUE(local) << rows[i].location;
    EXPECT_EQ(rows[i].path, path) << rows[i].location;
  }
}

TEST(LocalPathOf, CommonForms) {
  check_rows(kCommonRows, std::size(kCommonRows));
}

TEST(LocalPathOf, FormsOfThisTarget) {
  std::vector<LocalPathRow> rows = local_path_rows_of_target();
  check_rows(rows.data(), rows.size());
}

class LocalFileSystemTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tessaly-fs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    files_before_ = Audit::instance().live("HostFile");
  }
  void TearDown() override {
    EXPECT_EQ(files_before_, Audit::instance().live("HostFile")) << "a file was not freed";
    std::filesystem::remove_all(folder_);
  }
  std::string path(const char* name) const { return (folder_ / name).generic_string(); }
  // file:///tmp/x, or file:///C:/x on Windows.
  static std::string url_of(const std::string& path) {
    return (path[0] == '/' ? "file://" : "file:///") + path;
  }

  LocalFileSystem files_;
  std::filesystem::path folder_;
  long files_before_ = 0;
};

TEST_F(LocalFileSystemTest, CanonicalPathWritesTheLocalForm) {
  vorlane::Utf8String out;
  out.assign_text("before");
  EXPECT_EQ(0, files_.canonical_path("http://example.org/a", &out));
  EXPECT_STREQ("before", out.text());
  EXPECT_EQ(1, files_.canonical_path("file:///tmp/a%20b", &out));
  EXPECT_STREQ("/tmp/a b", out.text());
  EXPECT_EQ(0, files_.canonical_path(nullptr, &out));
}

TEST_F(LocalFileSystemTest, AcceptsLocalPathsOnly) {
  EXPECT_EQ(1, files_.accepts_path("/tmp/a.tvc"));
  EXPECT_EQ(1, files_.accepts_path("file:///tmp/a.tvc"));
  EXPECT_EQ(0, files_.accepts_path("mem://a.tvc"));
  EXPECT_EQ(0, files_.accepts_path(""));
  EXPECT_EQ(0, files_.accepts_path(nullptr));
  EXPECT_EQ(nullptr, files_.create_file("mem://a.tvc"));
}

TEST_F(LocalFileSystemTest, WritesReadsAndSizes) {
  std::string name = path("a.tvc");
  EXPECT_EQ(0, files_.exists(name.c_str()));
  vorlane::HostFile* file = files_.create_file(name.c_str());
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(files_before_ + 1, Audit::instance().live("HostFile"));
  ASSERT_TRUE(file->open(name.c_str(), 3));
  EXPECT_FALSE(file->open(name.c_str(), 3)) << "a second open of an open file";
  EXPECT_EQ(3u, file->write("abc", 3));
  EXPECT_EQ(0u, file->write("", 0));
  EXPECT_EQ(2u, file->write("de", 2));
  EXPECT_EQ(5u, file->size());
  EXPECT_TRUE(file->flush());
  EXPECT_EQ(0, file->release());
  EXPECT_EQ(1, files_.exists(name.c_str()));
  EXPECT_EQ(1, files_.exists(url_of(name).c_str()));

  file = files_.create_file(name.c_str());
  ASSERT_TRUE(file->open(url_of(name).c_str(), 1));
  EXPECT_EQ(5u, file->size());
  char buffer[8] = {};
  EXPECT_EQ(0u, file->write("x", 1)) << "writing to a file open for reading";
  EXPECT_EQ(4u, file->read(buffer, 4));
  EXPECT_STREQ("abcd", buffer);
  EXPECT_EQ(1u, file->read(buffer, 8));
  EXPECT_EQ(0u, file->read(buffer, 8));
  EXPECT_EQ(2, file->add_ref());
  EXPECT_EQ(1, file->release());
  EXPECT_EQ(files_before_ + 1, Audit::instance().live("HostFile"));
  EXPECT_EQ(0, file->release());
}

TEST_F(LocalFileSystemTest, OpenFailsAndDiscardFrees) {
  std::string existing = path("e.tvc");
  {
    vorlane::HostFile* file = files_.create_file(existing.c_str());
    ASSERT_TRUE(file->open(existing.c_str(), 3));
    file->release();
  }
  const struct {
    std::string path;
    int32_t mode;
  } rows[] = {
      {path("missing.tvc"), 1},
      {path("no-folder/a.tvc"), 3},
      {folder_.generic_string(), 1},
      {folder_.generic_string(), 3},
      {existing, 0},
      {existing, 2},
      {"mem://a.tvc", 1},
  };
  for (const auto& row : rows) {
    vorlane::HostFile* file = files_.create_file(existing.c_str());
    ASSERT_NE(nullptr, file);
    EXPECT_FALSE(file->open(row.path.c_str(), row.mode)) << row.path << " mode " << row.mode;
    EXPECT_EQ(0u, file->size());
    EXPECT_FALSE(file->flush());
    file->discard();
  }
}

TEST_F(LocalFileSystemTest, TruncatesOnWrite) {
  std::string name = path("t.tvc");
  for (const char* text : {"a longer text", "short"}) {
    vorlane::HostFile* file = files_.create_file(name.c_str());
    ASSERT_TRUE(file->open(name.c_str(), 3));
    file->write(text, static_cast<uint32_t>(std::strlen(text)));
    file->release();
  }
  vorlane::HostFile* file = files_.create_file(name.c_str());
  ASSERT_TRUE(file->open(name.c_str(), 1));
  EXPECT_EQ(5u, file->size());
  file->release();
}

// A file written over another replaces it only once every write reached it, when it is
// released; either way nothing is left beside it. A file that cannot be put in place is reported.
TEST_F(LocalFileSystemTest, ReplacesTheOldFileOnlyWhenEveryWriteReachedIt) {
  tessaly::ConsoleMessageService messages;
  messages.set_echo(false);
  LocalFileSystem files(&messages);
  const std::string name = path("old.tvc");
  auto content = [&] {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  auto listing = [&] {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      names += entry.path().filename().generic_string() + " ";
    return names;
  };
  auto write = [&](bool fail_halfway) {
    const std::string before = content();
    vorlane::HostFile* file = files.create_file(name.c_str());
    EXPECT_TRUE(file->open(name.c_str(), 3));
    file->write("new", 3);
    if (fail_halfway) {
      EXPECT_EQ(0u, file->write(nullptr, 1));
    }
    EXPECT_EQ(before, content()) << "the old file is kept while the new one is written";
    file->release();
  };
  std::ofstream(name, std::ios::binary) << "old";

  write(true);
  EXPECT_EQ("old", content()) << "a write that fell short replaced the old file";
  EXPECT_EQ("old.tvc ", listing());
  EXPECT_TRUE(messages.messages().empty()) << "the writer heard of its failed write already";

  write(false);
  EXPECT_EQ("new", content());
  EXPECT_EQ("old.tvc ", listing());
  EXPECT_TRUE(messages.messages().empty());

  // A folder that appeared at the path meanwhile cannot be replaced by a file.
  vorlane::HostFile* file = files.create_file(name.c_str());
  ASSERT_TRUE(file->open(name.c_str(), 3));
  file->write("newer", 5);
  std::filesystem::remove(name);
  std::filesystem::create_directories(name + "/inside");
  file->release();
  EXPECT_EQ("old.tvc ", listing());
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_EQ(3, messages.messages()[0].level);
  EXPECT_NE(std::string::npos, messages.messages()[0].text.find(name + ": not written: "))
      << messages.messages()[0].text;
}

TEST(HostServices, OffersTheLocalFileSystemForItsWholeLife) {
  tessaly::Host host({});
  for (int round = 0; round < 2; ++round) {
    vorlane::HostService* service =
        host.registry().get_service(&vorlane::kFileSystemServiceClass, 0);
    ASSERT_EQ(static_cast<vorlane::HostService*>(&host.files()), service);
    EXPECT_EQ(1, Audit::instance().live("FileSystemService"));
    service->release();
    EXPECT_EQ(0, Audit::instance().live("FileSystemService"));
  }
  EXPECT_EQ(nullptr, host.registry().get_service(&vorlane::kFileSystemServiceClass, 1));
}

} // namespace
