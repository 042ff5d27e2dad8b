// What a user names as the playlist: playlist files (M3U, PLS, XSPF), audio files and folders,
// one or several, made into one playlist.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "playlist/file_tags.h"
#include "playlist/playlist.h"

namespace tessaly {

enum class InputKind { M3u, Pls, Xspf, Audio };

// The kind of a file: by its extension where that tells (.m3u, .m3u8, .pls, .xspf, an audio
// extension), else by its first bytes (head); text of no known kind is M3U.
InputKind input_kind(std::string_view name, std::string_view head);

// The entries of every input in the order given, read as their kinds say. The playlist is named
// after the first input. False, with a message naming the input, when an input cannot be read or
// is no playlist; audio files named that cannot be read are counted in reading. The folders
// read whole are added to folders (absolute). The files' own tags are read afterwards
// (library/library_reading.h).
bool load_inputs(const std::vector<std::string>& inputs, Playlist* playlist, TagReading* reading,
                 std::vector<std::string>* folders, std::string* error);

} // namespace tessaly
