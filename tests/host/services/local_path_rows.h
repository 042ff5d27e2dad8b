// Locations whose local form differs between the targets.
#pragma once

#include <vector>

struct LocalPathRow {
  const char* location;
  const char* path; // null: not a local file's location
};

std::vector<LocalPathRow> local_path_rows_of_target();
