#include "local_path_rows.h"

std::vector<LocalPathRow> local_path_rows_of_target() {
  return {
      {"file://server/share/a.tvc", nullptr},
      {"file:///C:/x/a.tvc", "/C:/x/a.tvc"},
  };
}
