#include <cstdio>

#include "cli/command.h"
#include "writer/telvane.h"

namespace tessaly {

namespace {

int run_formats(Host& host, const Arguments& arguments) {
  if (!arguments.empty())
    return usage_error(kFormatsCommand, "takes no arguments");
  for (const OutputFormatInfo& format : Telvane(host).formats())
    std::printf("%s\t%s\t%s\n", format.name.c_str(), format.description.c_str(),
                format.filter.c_str());
  return kDone;
}

} // namespace

const Command kFormatsCommand = {
    "formats", "",          "list the output formats: NAME, DESCRIPTION and FILTER, tab-separated",
    "",        run_formats, false};

} // namespace tessaly
