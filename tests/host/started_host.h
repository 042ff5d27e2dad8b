// A quiet host started on a profile of its own, with the Vorlane module loaded, as the tests that
// drive the writer need it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "session/host.h"

namespace test_support {

// Call through ASSERT_NO_FATAL_FAILURE: a host or a module that does not come up fails the test.
inline void start_host(const std::string& profile, std::unique_ptr<tessaly::Host>* host,
                       tessaly::LoadedModule** module) {
  tessaly::HostOptions options;
  options.profile = profile;
  options.echo_messages = false;
  *host = std::make_unique<tessaly::Host>(options);
  ASSERT_TRUE((*host)->start());
  *module = (*host)->find_module("vorlane");
  ASSERT_NE(nullptr, *module);
}

} // namespace test_support
