// The host's stream must read exactly what TagLib's own stream reads, for every seek and length
// TagLib may ask for.
#include <gtest/gtest.h>
#include <taglib/tfilestream.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "playlist/read_only_file.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Position = TagLib::IOStream::Position;

struct Step {
  long seek; // applied first, unless kNoSeek
  Position from;
  unsigned long read;
};
constexpr long kNoSeek = -1L << 40;

class ReadOnlyFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("read-only-file-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string write(const std::string& name, size_t size) {
    std::string path = (dir_ / name).string();
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i)
      out.put(static_cast<char>(i * 2654435761u >> 13));
    return path;
  }
  fs::path dir_;
};

TEST_F(ReadOnlyFileTest, ReadsWhatTagLibsOwnStreamReads) {
  const long size = 200000; // three windows and more
  std::string path = write("data.flac", size);
  // Each row: a run of steps from a fresh open of both streams.
  std::vector<std::vector<Step>> rows = {
      {{kNoSeek, Position::Beginning, 4},
       {kNoSeek, Position::Beginning, 4},
       {0, Position::Beginning, 34}},
      {{kNoSeek, Position::Beginning, 4},
       {65530, Position::Beginning, 20},
       {-40, Position::Current, 30}}, // across a window's end
      {{100, Position::Beginning, 150000}, {kNoSeek, Position::Beginning, 100}}, // more than one
      {{-128, Position::End, 500}, {-10, Position::End, 10}},                    // the tail, short
      {{size + 50, Position::Beginning, 10}, {-5, Position::Current, 10}},       // past the end
      {{-1, Position::Beginning, 8}, {-20, Position::Current, 8}},               // before the start
      {{7, Position::Beginning, 1UL << 40}, {kNoSeek, Position::Beginning, 1}},  // a huge length
      {{3, Position::Beginning, 0}, {size, Position::Beginning, 1}},
  };
  for (size_t r = 0; r < rows.size(); ++r) {
    TagLib::FileStream theirs(path.c_str(), true);
    ReadOnlyFile ours(path);
    ASSERT_TRUE(ours.isOpen()) << ours.error();
    EXPECT_EQ(ours.length(), theirs.length());
    for (size_t s = 0; s < rows[r].size(); ++s) {
      const Step& step = rows[r][s];
      if (step.seek != kNoSeek) {
        theirs.seek(step.seek, step.from);
        ours.seek(step.seek, step.from);
      }
      EXPECT_EQ(ours.tell(), theirs.tell()) << "row " << r << " step " << s;
      EXPECT_TRUE(ours.readBlock(step.read) == theirs.readBlock(step.read))
          << "row " << r << " step " << s;
      EXPECT_EQ(ours.tell(), theirs.tell()) << "row " << r << " step " << s;
    }
  }
}

// Every read draws on the budget, the one that crosses it is cut there, and the reserve serves the
// reads after it until it is spent too.
TEST_F(ReadOnlyFileTest, ReadsAreCutAtTheBudgetThenServedFromTheReserve) {
  std::string path = write("big.mp3", 300000);
  ReadOnlyFile file(path);
  TagLib::FileStream theirs(path.c_str(), true);
  file.set_budget(150000, 5000);
  const struct {
    long seek;
    unsigned long read;
    unsigned int got;
    bool over;
  } rows[] = {
      {0, 80000, 80000, false},   // within the budget
      {80000, 1000, 1000, false}, // small ones count too
      {0, 200000, 69000, true},   // crosses what is left
      {250000, 4, 4, true},       // from the reserve
      {100000, 6000, 4996, true}, // the rest of the reserve
      {7, 1, 0, true},            // nothing more
  };
  for (const auto& row : rows) {
    file.seek(row.seek);
    theirs.seek(row.seek);
    TagLib::ByteVector block = file.readBlock(row.read);
    EXPECT_EQ(block.size(), row.got) << "at " << row.seek;
    EXPECT_TRUE(block == theirs.readBlock(row.got)) << "at " << row.seek;
    EXPECT_EQ(file.over_budget(), row.over) << "at " << row.seek;
  }
}

} // namespace
} // namespace tessaly
