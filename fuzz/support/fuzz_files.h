// A minimal host for fuzzing the configuration file: one file-system service that serves one
// in-memory file for reading and keeps what is written, and a message service that counts.
#pragma once

#include <string>

#include "entry/host_interface.h"

namespace fuzzing {

class MemoryHost final : public vorlane::HostApi {
public:
  MemoryHost();
  ~MemoryHost();
  vorlane::HostService* get_service(const vorlane::Guid* class_id, uint32_t index) override;
  uint32_t service_count(const vorlane::Guid* class_id) override;

  std::string file;    // what a read sees
  std::string written; // what the last write-mode open collected
  int messages = 0;
  long live_objects = 0; // references and files not given back
};

} // namespace fuzzing
