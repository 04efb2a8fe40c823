#pragma once

#include "tags/taggrid.h"

#include <optional>

// What keeps a grid out of the table: grid_problem(), or else the first
// tag whose x or y the camera can never receive whole (recordcheck.h),
// blamed on the field that puts it there.
std::optional<GridProblem> grid_refusal(const GridSpec &spec);
