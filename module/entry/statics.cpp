// The module's static objects, in the one order that fixes both global lists: each variable and
// each factory puts itself at the front of its list while it is built, so the factory list reads
// output format, then preferences page, and the variable list autocrlf, format, footer, header.
// Teardown runs in the reverse order. They live in one file because C++ leaves the order of
// construction across files unspecified.
#include "config/config_var.h"
#include "entry/component_client.h"
#include "entry/factories.h"
#include "prefs/preferences_page.h"

namespace vorlane {

ConfigVar* config_var_list = nullptr;
ServiceFactory* factory_list_head = nullptr;

namespace settings {
ConfigString header("header", "");
ConfigString footer("footer", "");
ConfigString format("format", "");
ConfigInt autocrlf("autocrlf", 1);
} // namespace settings

StaticServiceFactory<PreferencesPage> preferences_page_factory(kPreferencesPageClass);
OutputFormatFactory output_format_factory;
VorlaneClient component_client;
HeapString source_text;
HeapString first_host_text;

} // namespace vorlane
