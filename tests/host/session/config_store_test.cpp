#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/block_bytes.h"
#include "session/config_store.h"
#include "session/host.h"
#include "support/files.h"

namespace fs = std::filesystem;
using tessaly::ConfigStore;

namespace {

using test_support::record;
using test_support::u32;

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
public:
  TempDir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("tessaly-" + std::string(test->name()) + "-" + std::to_string(std::random_device{}()));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string path() const { return path_.string(); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(path_))
      out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

private:
  fs::path path_;
};

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string all_bytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i)
    bytes += static_cast<char>(i);
  return bytes;
}

ConfigStore sample_store() {
  ConfigStore store;
  store.set_block("vorlane.dll", all_bytes());
  store.set_block("empty.so", "");
  store.set_block("name with spaces.so", std::string("\0\x01", 2));
  return store;
}

const char kSignature[] = "tessaly configuration 1\n";

// The default configuration block of vorlane, as a module hands it to the host.
const std::string kDefaultBlock =
    record("autocrlf", u32(1)) + record("format", "") + record("footer", "") + record("header", "");

class StringWriter final : public vorlane::ByteWriter {
public:
  uint32_t write(const void* bytes, uint32_t count) override {
    block.append(static_cast<const char*>(bytes), count);
    return count;
  }
  std::string block;
};

std::string current_block(tessaly::LoadedModule& module) {
  StringWriter writer;
  module.client->save_config(&writer);
  return writer.block;
}

} // namespace

TEST(ConfigStoreText, RoundTrip) {
  ConfigStore store = sample_store();
  std::string text = store.serialize();
  EXPECT_EQ(0u, text.find(kSignature));
  ConfigStore parsed;
  std::string error;
  ASSERT_TRUE(parsed.parse(text, &error)) << error;
  EXPECT_EQ(store.blocks(), parsed.blocks());
  EXPECT_EQ(text, parsed.serialize());
}

TEST(ConfigStoreText, EmptyStoreRoundTrips) {
  ConfigStore store, parsed;
  std::string error;
  ASSERT_TRUE(parsed.parse(store.serialize(), &error)) << error;
  EXPECT_TRUE(parsed.blocks().empty());
}

TEST(ConfigStoreText, LayoutIsOneLinePerModule) {
  ConfigStore store;
  store.set_block("vorlane.so", std::string("\x08\x00\xff", 3));
  store.set_block("a.so", "");
  EXPECT_EQ(std::string(kSignature) + "a.so\t\nvorlane.so\t0800ff\n", store.serialize());
}

TEST(ConfigStoreText, DamagedTextIsRefusedAndChangesNothing) {
  const std::string good = sample_store().serialize();
  struct Row {
    const char* what;
    std::string text;
  };
  const Row rows[] = {
      {"an empty file", ""},
      {"another signature", "tessaly configuration 2\nvorlane.dll\t00\n"},
      {"no signature", "vorlane.dll\t00\n"},
      {"the signature without its line end", "tessaly configuration 1"},
      {"line ends converted to CRLF", "tessaly configuration 1\r\nvorlane.dll\t00\r\n"},
      {"a line without a tab", std::string(kSignature) + "vorlane.dll 00\n"},
      {"an empty module name", std::string(kSignature) + "\t00\n"},
      {"an odd number of digits", std::string(kSignature) + "vorlane.dll\t080\n"},
      {"a digit that is no hex", std::string(kSignature) + "vorlane.dll\t0g\n"},
      {"a space inside the digits", std::string(kSignature) + "vorlane.dll\t08 00\n"},
      {"a second tab", std::string(kSignature) + "vorlane.dll\t08\t00\n"},
      {"the last line cut short", good.substr(0, good.size() - 1)},
      {"binary garbage", std::string("\x00\xff\x10garbage", 10)},
  };
  for (const Row& row : rows) {
    ConfigStore store;
    store.set_block("kept.so", "kept");
    std::string error;
    EXPECT_FALSE(store.parse(row.text, &error)) << row.what;
    EXPECT_FALSE(error.empty()) << row.what << ": no reason given";
    ASSERT_EQ(1u, store.blocks().size()) << row.what;
    EXPECT_EQ("kept", *store.block("kept.so")) << row.what;
  }
}

// A file cut anywhere inside a line is recognised as damaged.
TEST(ConfigStoreText, EveryTruncationInsideALineIsRefused) {
  const std::string good = sample_store().serialize();
  for (size_t n = 0; n < good.size(); ++n) {
    if (n > 0 && good[n - 1] == '\n')
      continue; // whole lines: a store with fewer modules
    ConfigStore store;
    std::string error;
    EXPECT_FALSE(store.parse(good.substr(0, n), &error)) << "cut after " << n << " bytes";
  }
}

TEST(ConfigStoreFile, MissingFileIsAnEmptyStore) {
  TempDir dir;
  ConfigStore store;
  store.set_block("old.so", "x");
  std::string error;
  EXPECT_TRUE(store.load(dir.file("configuration.txt"), &error)) << error;
  EXPECT_TRUE(store.blocks().empty());
  EXPECT_FALSE(store.damaged());
}

TEST(ConfigStoreFile, SaveThenLoad) {
  TempDir dir;
  std::string path = ConfigStore::file_in(dir.path());
  std::string error;
  ASSERT_TRUE(sample_store().save(path, &error)) << error;
  EXPECT_EQ(sample_store().serialize(), read_bytes(path));
  ConfigStore loaded;
  ASSERT_TRUE(loaded.load(path, &error)) << error;
  EXPECT_EQ(sample_store().blocks(), loaded.blocks());
  EXPECT_FALSE(loaded.damaged());
  // The temporary file is gone: the folder holds the store and nothing else.
  EXPECT_EQ((std::vector<std::string>{"configuration.txt"}), dir.names());
}

TEST(ConfigStoreFile, DamagedFileIsReportedAndLeftAsItWas) {
  const std::string good = sample_store().serialize();
  const std::string damaged[] = {"not a store at all\n", good.substr(0, good.size() / 2),
                                 std::string(kSignature) + "vorlane.dll\tzz\n", ""};
  for (const std::string& bytes : damaged) {
    TempDir dir;
    std::string path = dir.file("configuration.txt");
    write_bytes(path, bytes);
    ConfigStore store;
    std::string error;
    EXPECT_FALSE(store.load(path, &error));
    EXPECT_NE(std::string::npos, error.find(path))
        << "the report does not name the file: " << error;
    EXPECT_TRUE(store.damaged());
    EXPECT_TRUE(store.blocks().empty());
    EXPECT_EQ(bytes, read_bytes(path)) << "the damaged file was changed";
  }
}

TEST(ConfigStoreFile, UnreadableStoreIsReported) {
  TempDir dir;
  std::string path = dir.file("configuration.txt");
  fs::create_directory(path); // a folder where the file should be
  ConfigStore store;
  std::string error;
  EXPECT_FALSE(store.load(path, &error));
  EXPECT_TRUE(store.damaged());
  EXPECT_FALSE(error.empty());
}

TEST(ConfigStoreFile, SaveReplacesThePreviousFile) {
  TempDir dir;
  std::string path = dir.file("configuration.txt");
  write_bytes(path, "previous");
  ConfigStore store;
  store.set_block("vorlane.so", kDefaultBlock);
  std::string error;
  ASSERT_TRUE(store.save(path, &error)) << error;
  EXPECT_EQ(store.serialize(), read_bytes(path));
  EXPECT_EQ((std::vector<std::string>{"configuration.txt"}), dir.names());
}

// The new store goes to a temporary file first; when that cannot be written, the previous file
// stays whole.
TEST(ConfigStoreFile, FailedSaveKeepsThePreviousFile) {
  TempDir dir;
  std::string path = dir.file("configuration.txt");
  const std::string previous = sample_store().serialize();
  write_bytes(path, previous);
  ConfigStore store;
  store.set_block("vorlane.so", kDefaultBlock);
  std::string error;
  tessaly::fail_file_operation(1); // the temporary cannot be created
  EXPECT_FALSE(store.save(path, &error));
  tessaly::fail_file_operation(0);
  EXPECT_NE(std::string::npos, error.find(path)) << error;
  EXPECT_EQ(previous, read_bytes(path));
}

TEST(ConfigStoreFile, FailedRenameLeavesNoTemporaryBehind) {
  TempDir dir;
  std::string path = dir.file("configuration.txt");
  fs::create_directories(fs::path(path) / "occupied"); // a non-empty folder cannot be replaced
  ConfigStore store;
  std::string error;
  EXPECT_FALSE(store.save(path, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ((std::vector<std::string>{"configuration.txt"}), dir.names());
  EXPECT_TRUE(fs::is_directory(path));
}

TEST(ConfigStoreFile, SaveMakesTheProfileFolder) {
  TempDir dir;
  std::string path = ConfigStore::file_in(dir.file("a/b/profile"));
  std::string error;
  ASSERT_TRUE(sample_store().save(path, &error)) << error;
  EXPECT_EQ(sample_store().serialize(), read_bytes(path));
}

TEST(ConfigStoreFile, SaveUnderAFileFails) {
  TempDir dir;
  write_bytes(dir.file("plain"), "x");
  std::string error;
  EXPECT_FALSE(sample_store().save(ConfigStore::file_in(dir.file("plain/profile")), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ("x", read_bytes(dir.file("plain")));
}

TEST(HostConfiguration, BlocksComeBackInTheNextHost) {
  TempDir dir;
  const std::string block = record("autocrlf", u32(0)) + record("format", "%title%") +
                            record("footer", "") + record("header", "abc");
  {
    tessaly::Host host({dir.path(), "", false});
    ASSERT_TRUE(host.start());
    tessaly::LoadedModule* vorlane = host.find_module("vorlane");
    ASSERT_NE(nullptr, vorlane);
    EXPECT_EQ(kDefaultBlock, current_block(*vorlane)) << "a fresh profile holds the defaults";
    vorlane->client->load_config(block.data(), static_cast<uint32_t>(block.size()));
    ASSERT_TRUE(host.save_configuration());
    // Back to the defaults, so that only the store can bring the values back.
    vorlane->client->load_config(kDefaultBlock.data(), static_cast<uint32_t>(kDefaultBlock.size()));
  }
  tessaly::Host host({dir.path(), "", false});
  ASSERT_TRUE(host.start());
  tessaly::LoadedModule* vorlane = host.find_module("vorlane");
  ASSERT_NE(nullptr, vorlane);
  EXPECT_EQ(block, current_block(*vorlane));
  vorlane->client->load_config(kDefaultBlock.data(), static_cast<uint32_t>(kDefaultBlock.size()));
}

TEST(HostConfiguration, DamagedStoreIsNeverSavedOver) {
  TempDir dir;
  std::string path = ConfigStore::file_in(dir.path());
  const std::string damaged = std::string(kSignature) + "vorlane";
  write_bytes(path, damaged);
  tessaly::Host host({dir.path(), "", false});
  ASSERT_TRUE(host.start()) << "a damaged store must not stop the host";
  tessaly::LoadedModule* vorlane = host.find_module("vorlane");
  ASSERT_NE(nullptr, vorlane);
  EXPECT_EQ(kDefaultBlock, current_block(*vorlane));
  EXPECT_TRUE(host.config_store().damaged());
  EXPECT_FALSE(host.save_configuration());
  EXPECT_EQ(damaged, read_bytes(path));
}
