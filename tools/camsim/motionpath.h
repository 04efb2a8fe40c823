#pragma once

#include "camera/reportframes.h"
#include "simoptions.h"

namespace camsim
{

// Where the robot is at one moment, in the units the operator reads:
// centimetres and degrees. At rotation 0 the robot's front points to +y, and a
// positive rotation turns it counter-clockwise, as the host draws it.
struct Pose {
    double x_cm = 0;
    double y_cm = 0;
    double rotation_deg = 0; // 0 <= rotation < 360
    double attitude_x_deg = 0;
    double attitude_y_deg = 0;
};

// A robot driving at constant speed over a square floor centred on 0,0:
// either back and forth along lanes joined by half circles (and back along the
// same lanes once it reaches the last one), or round a circle. The rotation
// follows the direction of travel; the attitude angles wobble a little, as
// they do on a real floor.
class MotionPath
{
public:
    MotionPath(PathShape shape, double floor_cm, double lane_spacing_cm, double speed_cm_s,
               double wobble_deg);

    Pose at(double seconds) const;

private:
    struct Point {
        double x, y;   // position
        double dx, dy; // direction of travel, unit length
    };
    Point along_lanes(double distance) const;
    Point along_circle(double distance) const;

    PathShape shape;
    double speed;
    double wobble;
    double half_floor;
    double margin;
    double spacing;
    int lane_count;
    double lane_length;
    double turn_radius;
    double one_way_length; // lanes: first lane start to last lane end
};

// The pose as the camera puts it on the wire: tenths of a centimetre, tenths
// of a degree for the rotation, hundredths for the attitude.
camera::PositionFields wire_fields(const Pose &pose);

} // namespace camsim
