#include "floorpath.h"

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

void put(QByteArray &frame, int at, int value, int bytes)
{
    for (int k = bytes - 1; k >= 0; --k) {
        frame[at + k] = char(value & 0xFF);
        value >>= 8;
    }
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
    QByteArray frame(22, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFE);
    frame[2] = char(pose.x < 0 ? 1 : 0);
    put(frame, 3, tenths(pose.x), 3);
    frame[6] = char(pose.y < 0 ? 1 : 0);
    put(frame, 7, tenths(pose.y), 3);
    put(frame, 10, tenths(pose.angle), 2);
    int sum = 0;
    for (int at : {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17})
        sum += quint8(frame.at(at));
    frame[19] = char(sum / 12);
    frame[20] = char(0xFE);
    frame[21] = char(0xFF);
    return frame;
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
