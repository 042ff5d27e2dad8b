#include "services/message_service.h"

#include <cstdio>

namespace tessaly {

void ConsoleMessageService::post_message(int32_t level, const char* text, const char* source) {
  messages_.push_back({level, text ? text : "", source ? source : ""});
  if (level >= 3)
    error_posted_ = true;
  if (echo_) {
    std::fprintf(stderr, "tessaly: %s\n", text ? text : "");
    std::fflush(stderr);
  }
}

} // namespace tessaly
