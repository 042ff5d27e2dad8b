// The audio files of a folder and every folder below it, as a player adds a folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "playlist/file_tags.h"
#include "playlist/playlist.h"

namespace tessaly {

// True for a name whose extension is that of an audio file ("a.FLAC" too).
bool has_audio_extension(std::string_view name);

// True for the first bytes of a file in an audio format ("fLaC", "OggS", "ID3", an MPEG frame,
// RIFF WAVE, FORM AIFF, an MP4 "ftyp" box, ...).
bool looks_like_audio(std::string_view head);

// Appends the audio files below folder in path order: the names of each folder sorted byte by
// byte, a subfolder's files where its name sorts. A file is audio by its extension, else by its
// first bytes. A symbolic link is followed unless it leads back to a folder already read, so a
// loop is read once. What cannot be read (a folder without permission) is counted in problems.
void load_folder(const std::string& folder, std::vector<PlaylistEntry>* entries,
                 TagReading* problems);

} // namespace tessaly
