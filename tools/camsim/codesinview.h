#pragma once

#include "camera/reportframes.h"
#include "motionpath.h"
#include "tagstore.h"

#include <QVector>

namespace camsim
{

// How far from its centre the camera reads a code on the floor.
constexpr double kViewRadiusCm = 75;
// Spacing of the tags a floor has when the camera's tag map is empty.
constexpr double kFloorGridCm = 100;
constexpr int kMaxCodesInView = 4;

// The tags under the camera at `pose`, nearest first: the stored ones within
// view, or, while the camera holds no tags, those of a regular floor grid.
QVector<TagRecord> tags_in_view(const Pose &pose, const TagStore &store, double floor_cm);

// What mode 2 reports of a tag in view: its offset from the camera's centre
// and its angle relative to the robot's rotation, in tenths.
camera::CodeListRecord code_list_record(const Pose &pose, const TagRecord &tag);

} // namespace camsim
