// What a replacing write does when the name it replaces changes under it, and how far it follows
// a chain of links.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "support/files.h"
#include "support/replacing_file.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class ReplacingFileTest : public ::testing::Test {
public:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("replacing-file-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void put(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::string text(const std::string& name) const {
    std::string bytes, error;
    return read_file(path(name), &bytes, &error) ? bytes : "(" + error + ")";
  }
  fs::path dir_;
};

// The name is swapped between the walk and the rename: the write fails, whatever the swap put
// there keeps its bytes, and nothing is left behind.
TEST_F(ReplacingFileTest, RefusesANameChangedWhileWriting) {
  struct Row {
    const char* what;
    bool old_file;                                      // out exists before the write
    std::function<void(const ReplacingFileTest&)> swap; // between open and commit
    bool replaced;
  };
  const Row rows[] = {
      {"nothing changed", true, [](const ReplacingFileTest&) {}, true},
      {"nothing there, still nothing", false, [](const ReplacingFileTest&) {}, true},
      {"the file replaced by a link", true,
       [](const ReplacingFileTest& t) {
         fs::remove(t.path("out"));
         fs::create_symlink(t.path("victim"), t.path("out"));
       },
       false},
      {"a link where nothing was", false,
       [](const ReplacingFileTest& t) { fs::create_symlink(t.path("victim"), t.path("out")); },
       false},
      {"the file replaced by another", true,
       [](const ReplacingFileTest& t) {
         fs::rename(t.path("victim"), t.path("out"));
         t.put("victim", "victim");
       },
       false},
  };
  for (const Row& row : rows) {
    fs::remove(path("out"));
    put("victim", "victim");
    if (row.old_file)
      put("out", "old");
    ReplacingFile file;
    std::string reason;
    ASSERT_TRUE(file.open(path("out"), &reason)) << row.what << ": " << reason;
    ASSERT_TRUE(file.write("new", 3, &reason)) << row.what;
    row.swap(*this);
    ReplaceStep failed;
    EXPECT_EQ(file.commit(&failed, &reason), row.replaced) << row.what << ": " << reason;
    EXPECT_EQ(text("victim"), "victim") << row.what;
    if (row.replaced)
      EXPECT_EQ(text("out"), "new") << row.what;
    else
      EXPECT_NE(reason.find("was changed by someone else"), std::string::npos) << reason;
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_))
      ++entries;
    EXPECT_EQ(entries, 2u) << row.what << ": a temporary left";
  }
}

// Forty links are followed, as the kernel follows them; one more is a loop.
TEST_F(ReplacingFileTest, FollowsFortyLinksAndNoMore) {
  for (int chain : {40, 41}) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (int i = 0; i < chain; ++i)
      fs::create_symlink("l" + std::to_string(i + 1), path("l" + std::to_string(i)));
    std::string error;
    bool written = write_file_atomically(path("l0"), "end", &error);
    EXPECT_EQ(written, chain == 40) << chain << ": " << error;
    if (written)
      EXPECT_EQ(text("l" + std::to_string(chain)), "end");
    else
      EXPECT_NE(error.find("Too many levels of symbolic links"), std::string::npos) << error;
  }
}

} // namespace
} // namespace tessaly
