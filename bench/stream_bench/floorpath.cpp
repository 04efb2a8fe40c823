#include "floorpath.h"

#include "camera/reportframes.h"

#include <cmath>
#include <cstdint>

namespace
{

constexpr double kLaneLength = 1000;
constexpr double kLaneSpacing = 50;
constexpr int kLanes = 20;
constexpr double kCycle = kLanes * kLaneLength + (kLanes - 1) * kLaneSpacing;

double jitter(long report, int axis)
{
    uint32_t h = uint32_t(report) * 2654435761u + uint32_t(axis) * 40503u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return (double(h % 1000) / 1000.0 - 0.5) * 0.6; // +-0.3 cm
}

int tenths(double value)
{
    return int(std::lround(std::fabs(value) * 10));
}

} // namespace

FloorPose floor_pose(long report, double speed_cm_per_report)
{
    double along = std::fmod(report * speed_cm_per_report, kCycle);
    FloorPose pose;
    for (int lane = 0; lane < kLanes; ++lane) {
        const bool forward = lane % 2 == 0;
        if (along < kLaneLength) {
            pose.x = forward ? along : kLaneLength - along;
            pose.y = lane * kLaneSpacing;
            pose.angle = forward ? 270 : 90;
            break;
        }
        along -= kLaneLength;
        if (along < kLaneSpacing) {
            pose.x = forward ? kLaneLength : 0;
            pose.y = lane * kLaneSpacing + along;
            pose.angle = 0;
            break;
        }
        along -= kLaneSpacing;
    }
    pose.x += jitter(report, 0);
    pose.y += jitter(report, 1);
    return pose;
}

QByteArray position_report(const FloorPose &pose)
{
    camera::PositionFields fields;
    fields.x_tenths = pose.x < 0 ? -tenths(pose.x) : tenths(pose.x);
    fields.y_tenths = pose.y < 0 ? -tenths(pose.y) : tenths(pose.y);
    fields.rotation_tenths = quint16(tenths(pose.angle));
    return camera::position_report(fields);
}

float reported_x(const FloorPose &pose)
{
    const float value = float(tenths(pose.x)) / 10.0f;
    return pose.x < 0 ? -value : value;
}

float reported_y(const FloorPose &pose)
{
    const float value = float(tenths(pose.y)) / 10.0f;
    return pose.y < 0 ? -value : value;
}
