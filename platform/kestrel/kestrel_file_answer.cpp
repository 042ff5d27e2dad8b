// The automated answer to the next file dialog. kestrel is one shared library loaded once per
// process, so the host that sets an answer and the module whose dialog takes it see one state.
#include <cstring>
#include <mutex>
#include <string>

#include "kestrel_internal.h"

namespace kestrel {
namespace {

std::mutex answer_lock;
FileAnswer pending = FileAnswer::None;
std::string pending_path;

} // namespace

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
