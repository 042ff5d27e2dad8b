// The host's MessageService: every message goes to standard error as "tessaly: TEXT".
#pragma once

#include <string>
#include <vector>

#include "services/counted_service.h"

namespace tessaly {

class ConsoleMessageService final : public CountedService<vorlane::MessageService> {
public:
  ConsoleMessageService() : CountedService("MessageService") {}
  void post_message(int32_t level, const char* text, const char* source) override;

  struct Message {
    int32_t level;
    std::string text;
    std::string source;
  };
  const std::vector<Message>& messages() const { return messages_; }
  // True once a level-3 (error) message arrived.
  bool error_posted() const { return error_posted_; }
  // Tests keep the console quiet.
  void set_echo(bool echo) { echo_ = echo; }

private:
  std::vector<Message> messages_;
  bool error_posted_ = false;
  bool echo_ = true;
};

} // namespace tessaly
