#include "motionpath.h"

#include <algorithm>
#include <cmath>

namespace camsim
{

namespace
{

constexpr double kPi = 3.14159265358979323846;

// The rotation whose front direction (-sin r, cos r) is (dx, dy).
double rotation_of(double dx, double dy)
{
    const double degrees = std::atan2(-dx, dy) * 180.0 / kPi;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

} // namespace

MotionPath::MotionPath(PathShape shape, double floor_cm, double lane_spacing_cm, double speed_cm_s,
                       double wobble_deg)
    : shape(shape), speed(speed_cm_s), wobble(wobble_deg), half_floor(floor_cm / 2),
      margin(std::min(lane_spacing_cm / 2, floor_cm / 4)), spacing(lane_spacing_cm)
{
    lane_length = floor_cm - 2 * margin;
    lane_count = 1 + int(std::floor((floor_cm - 2 * margin) / spacing));
    turn_radius = spacing / 2;
    one_way_length = lane_count * lane_length + (lane_count - 1) * kPi * turn_radius;
}

MotionPath::Point MotionPath::along_lanes(double distance) const
{
    // Out along the lanes and back the same way.
    const double round_trip = 2 * one_way_length;
    double u = std::fmod(distance, round_trip);
    bool returning = false;
    if (u > one_way_length) {
        u = round_trip - u;
        returning = true;
    }
    const double lane_and_turn = lane_length + kPi * turn_radius;
    const int lane = std::min(lane_count - 1, int(u / lane_and_turn));
    const double rest = u - lane * lane_and_turn;
    const bool rightwards = lane % 2 == 0;
    const double lane_y = -half_floor + margin + lane * spacing;
    const double left = -half_floor + margin;
    const double right = half_floor - margin;

    Point p{};
    if (rest <= lane_length || lane == lane_count - 1) {
        const double along = std::min(rest, lane_length);
        p = {rightwards ? left + along : right - along, lane_y, rightwards ? 1.0 : -1.0, 0.0};
    } else {
        // Half a circle outside the lane's end, up to the next lane.
        const double a = (rest - lane_length) / turn_radius;
        const double side = rightwards ? 1.0 : -1.0;
        const double end_x = rightwards ? right : left;
        p = {end_x + side * turn_radius * std::sin(a),
             lane_y + turn_radius - turn_radius * std::cos(a), side * std::cos(a), std::sin(a)};
    }
    if (returning) {
        p.dx = -p.dx;
        p.dy = -p.dy;
    }
    return p;
}

MotionPath::Point MotionPath::along_circle(double distance) const
{
    const double radius = half_floor - margin;
    const double a = distance / radius;
    return {radius * std::cos(a), radius * std::sin(a), -std::sin(a), std::cos(a)};
}

Pose MotionPath::at(double seconds) const
{
    const double distance = speed * seconds;
    const Point p = shape == PathShape::Lanes ? along_lanes(distance) : along_circle(distance);
    Pose pose;
    pose.x_cm = p.x;
    pose.y_cm = p.y;
    pose.rotation_deg = rotation_of(p.dx, p.dy);
    pose.attitude_x_deg = wobble * std::sin(2 * kPi * 0.7 * seconds);
    pose.attitude_y_deg = wobble * std::sin(2 * kPi * 0.45 * seconds + 1.0);
    return pose;
}

camera::PositionFields wire_fields(const Pose &pose)
{
    camera::PositionFields fields;
    fields.x_tenths = qint32(std::lround(pose.x_cm * 10));
    fields.y_tenths = qint32(std::lround(pose.y_cm * 10));
    fields.rotation_tenths = quint16(std::lround(pose.rotation_deg * 10) % 3600);
    fields.attitude_x_hundredths = qint32(std::lround(pose.attitude_x_deg * 100));
    fields.attitude_y_hundredths = qint32(std::lround(pose.attitude_y_deg * 100));
    return fields;
}

} // namespace camsim
