// kestrel's own state, shared by its files.
#pragma once

#include "kestrel.h"

namespace kestrel {

// What the next file dialog answers without being shown.
enum class FileAnswer { None, Path, Cancel };

// Takes the pending answer (the path, for FileAnswer::Path, goes into result), leaving none.
FileAnswer take_file_answer(vorlane::StringSink* result);

} // namespace kestrel
