#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "titleformat/title_format.h"
#include "titleformat/track_fields.h"

namespace tessaly {
namespace {

// One compiled format applied to one entry after another: nothing of an entry may stay behind in
// the compiled form, and a variable's field, resolved ahead, must still yield to the items.
TEST(CompiledTitleFormat, AppliedToEachEntry) {
  Playlist playlist;
  playlist.entries.resize(2);
  PlaylistEntry& first = playlist.entries[0];
  first.title = "Song";
  first.artist = "Band";
  first.resolved = "/m/a.flac";
  first.length_seconds = 61;
  first.set_file_field(FileField::Genre, "Jazz");
  first.set_file_field(FileField::Comment, "hidden by an item");
  PlaylistEntry& second = playlist.entries[1];
  second.artist = "Other";
  second.resolved = "/m/b.mp3";
  const std::vector<std::pair<std::string, std::string>> items = {{"comment", ""},
                                                                  {"mood", "calm"}};
  const struct {
    const char* format;
    const char* first;
    const char* second;
  } rows[] = {
      {"%title%", "Song", ""},
      {"[%title% - ]%artist%", "Song - Band", "Other"},
      {"$if2(%title%,%filename%)", "Song", "b"},
      {"$if(%length%,%length%,?)", "1:01", "?"},
      {"$if([%title%],t,$upper(%artist%))", "t", "OTHER"},
      // The inner call's arguments must not overwrite the outer call's.
      {"$replace(%artist%,n,$upper(%filename%))", "BaAd", "Other"},
      {"%MOOD% %list_index%/%list_total%", "calm 1/2", "calm 2/2"},
      {"[%comment%]x", "x", "x"},
      {"[%genre%|]", "Jazz|", ""},
      {"$len(%title%)[$num(%list_index%,3)]", "4001", "0002"},
  };
  for (const auto& row : rows) {
    TitleFormat format(row.format, track_field_id);
    EXPECT_EQ(row.first, format.apply(EntryVariables(items, &playlist, 0))) << row.format;
    EXPECT_EQ(row.second, format.apply(EntryVariables(items, &playlist, 1))) << row.format;
  }
}

// The compiled form keeps a few bytes for each byte of the format whatever its shape (most where
// a node stands for each three-byte variable); a call never closed, at every level down to the
// depth limit, must not keep its text at each level.
TEST(CompiledTitleFormat, SizeInProportionToTheFormat) {
  std::string unclosed;
  for (int i = 0; i < kMaxTitleFormatDepth; ++i)
    unclosed += "$upper(%title%,";
  const struct {
    const char* shape;
    std::string format;
  } rows[] = {
      {"calls never closed, nested to the limit", unclosed + std::string(20000, 'x')},
      {"brackets nested far past the limit", std::string(20000, '[') + std::string(20000, ']')},
  };
  for (const auto& row : rows)
    EXPECT_LE(TitleFormat(row.format, track_field_id).memory_size(), 16 * row.format.size())
        << row.shape;
}

} // namespace
} // namespace tessaly
