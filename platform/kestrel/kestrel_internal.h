// kestrel's own state, shared by its files.
#pragma once

#include "kestrel.h"

namespace kestrel {

// What the next file dialog answers without being shown.
enum class FileAnswer { None, Path, Cancel };

// Takes the pending answer (the path, for FileAnswer::Path, goes into result), leaving none.
FileAnswer take_file_answer(vorlane::StringSink* result);

// Keeps the arguments of a file dialog call for kestrel_last_file_dialog.
void record_file_dialog(HWND owner, const char* filter, UINT filter_index,
                        const char* default_extension, const char* title,
                        const char* initial_folder, const vorlane::StringSink* result, BOOL save);

} // namespace kestrel
