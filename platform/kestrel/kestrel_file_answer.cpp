// The automated answer to the next file dialog, and the record of the last one asked for. kestrel
// is one shared library loaded once per process, so the host or test that sets an answer and the
// module whose dialog takes it see one state.
#include <cstring>
#include <mutex>
#include <string>

#include "kestrel_internal.h"

namespace kestrel {
namespace {

std::mutex answer_lock;
FileAnswer pending = FileAnswer::None;
std::string pending_path;

// A text argument as given: null stays null.
struct KeptText {
  bool given = false;
  std::string text;
  void keep(const char* from) {
    given = from != nullptr;
    text = from ? from : "";
  }
  const char* get() const { return given ? text.c_str() : nullptr; }
};

KestrelFileDialogCall last_call = {};
KeptText last_filter, last_extension, last_title, last_folder;

} // namespace

void record_file_dialog(HWND owner, const char* filter, UINT filter_index,
                        const char* default_extension, const char* title,
                        const char* initial_folder, const vorlane::StringSink* result, BOOL save) {
  std::lock_guard<std::mutex> hold(answer_lock);
  last_filter.keep(filter);
  last_extension.keep(default_extension);
  last_title.keep(title);
  last_folder.keep(initial_folder);
  uint32_t number = last_call.number + 1;
  last_call = {number,
               owner,
               last_filter.get(),
               filter_index,
               last_extension.get(),
               last_title.get(),
               last_folder.get(),
               result,
               result ? result->length() : 0,
               save};
}

FileAnswer take_file_answer(vorlane::StringSink* result) {
  std::lock_guard<std::mutex> hold(answer_lock);
  FileAnswer answer = pending;
  if (answer == FileAnswer::Path && result)
    result->assign(pending_path.c_str(), static_cast<uint32_t>(pending_path.size()));
  pending = FileAnswer::None;
  pending_path.clear();
  return answer;
}

} // namespace kestrel

KESTREL_API void kestrel_answer_next_file_dialog(const char* answer) {
  std::lock_guard<std::mutex> hold(kestrel::answer_lock);
  if (!answer) {
    kestrel::pending = kestrel::FileAnswer::None;
    kestrel::pending_path.clear();
  } else if (std::strcmp(answer, "cancel") == 0) {
    kestrel::pending = kestrel::FileAnswer::Cancel;
    kestrel::pending_path.clear();
  } else {
    kestrel::pending = kestrel::FileAnswer::Path;
    kestrel::pending_path = answer;
  }
}

KESTREL_API BOOL kestrel_last_file_dialog(KestrelFileDialogCall* call) {
  std::lock_guard<std::mutex> hold(kestrel::answer_lock);
  if (!call || kestrel::last_call.number == 0)
    return FALSE;
  *call = kestrel::last_call;
  return TRUE;
}
