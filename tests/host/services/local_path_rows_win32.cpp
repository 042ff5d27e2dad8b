#include "local_path_rows.h"

std::vector<LocalPathRow> local_path_rows_of_target() {
  return {
      {"file://server/share/a.tvc", "//server/share/a.tvc"},
      {"file:///C:/x/a.tvc", "C:/x/a.tvc"},
      {"file:///c|/x/a.tvc", "c:/x/a.tvc"},
      {"file:///C:", "C:"},
      {"file:///C:x", "/C:x"},
  };
}
