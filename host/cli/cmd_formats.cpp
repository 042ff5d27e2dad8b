#include <cstdio>

#include "cli/commands.h"
#include "writer/telvane.h"

namespace tessaly {

int run_formats(Host& host, const Arguments& arguments) {
  if (!arguments.empty())
    return usage_error(command_named("formats"), "takes no arguments");
  for (const OutputFormatInfo& format : Telvane(host).formats())
    std::printf("%s\t%s\t%s\n", format.name.c_str(), format.description.c_str(),
                format.filter.c_str());
  return kDone;
}

} // namespace tessaly
