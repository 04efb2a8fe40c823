#pragma once

#include <QByteArray>

// A robot driving lanes across a 10 m x 10 m floor (positions in centimetres):
// along x, a step of 50 cm in y, back along x, and so on; after the last lane
// it starts again from the first. The camera adds a little jitter.
struct FloorPose {
    double x = 0;
    double y = 0;
    double angle = 0; // degrees, 0 = front towards +y
};

// The pose after `report` reports at `speed_cm_per_report`.
FloorPose floor_pose(long report, double speed_cm_per_report);

// The 22-byte position report of `pose`, to a tenth.
QByteArray position_report(const FloorPose &pose);

// The x and y the window shows for `pose`: the report's tenths divided in
// single precision.
float reported_x(const FloorPose &pose);
float reported_y(const FloorPose &pose);
