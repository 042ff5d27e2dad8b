// The Windows command line arrives as UTF-16; the host works in UTF-8 throughout. Output is
// binary, so that what is written is byte for byte what the module produced (no "\r" added).
#include "platform/win32.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/command.h"
#include "support/utf16.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i)
    arguments.push_back(tessaly::narrow(argv[i]));
  return tessaly::run_tessaly(arguments);
}
