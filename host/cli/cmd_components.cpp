#include <cstdio>

#include "cli/command.h"

namespace tessaly {

namespace {
std::string guid_text(const vorlane::Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.data1,
                g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

int run_components(Host& host, const Arguments& arguments) {
  if (!arguments.empty())
    return usage_error(kComponentsCommand, "takes no arguments");
  for (const LoadedModule& module : host.modules()) {
    std::printf("%s version %d\n", module.file_name.c_str(), module.version);
    for (vorlane::ServiceFactory* f = module.client->factory_list(); f; f = f->next)
      std::printf("  %s\n", guid_text(f->class_id).c_str());
  }
  return kDone;
}

} // namespace

const Command kComponentsCommand = {
    "components",   "",   "list the loaded modules and their service factories", "",
    run_components, false};

} // namespace tessaly
