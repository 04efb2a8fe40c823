#include "codesinview.h"

#include <algorithm>
#include <cmath>

namespace camsim
{

namespace
{

double distance_to(const Pose &pose, const TagRecord &tag)
{
    return std::hypot(tag.x_cm - pose.x_cm, tag.y_cm - pose.y_cm);
}

QVector<TagRecord> floor_grid_near(const Pose &pose, double floor_cm)
{
    const double half = floor_cm / 2;
    const int columns = int(std::floor(floor_cm / kFloorGridCm)) + 1;
    QVector<TagRecord> near;
    const int i0 = int(std::floor((pose.x_cm + half - kViewRadiusCm) / kFloorGridCm));
    const int j0 = int(std::floor((pose.y_cm + half - kViewRadiusCm) / kFloorGridCm));
    const int span = int(std::ceil(2 * kViewRadiusCm / kFloorGridCm)) + 1;
    for (int j = std::max(0, j0); j <= std::min(columns - 1, j0 + span); ++j) {
        for (int i = std::max(0, i0); i <= std::min(columns - 1, i0 + span); ++i) {
            TagRecord tag;
            tag.id = 1 + (j * columns + i) % 19999;
            tag.x_cm = qint32(std::lround(-half + i * kFloorGridCm));
            tag.y_cm = qint32(std::lround(-half + j * kFloorGridCm));
            tag.side_mm = 50;
            if (distance_to(pose, tag) <= kViewRadiusCm)
                near.append(tag);
        }
    }
    return near;
}

} // namespace

QVector<TagRecord> tags_in_view(const Pose &pose, const TagStore &store, double floor_cm)
{
    QVector<TagRecord> near;
    if (store.size() == 0) {
        near = floor_grid_near(pose, floor_cm);
    } else {
        for (const TagStore::Entry &entry : store.all())
            if (distance_to(pose, entry.record) <= kViewRadiusCm)
                near.append(entry.record);
    }
    std::sort(near.begin(), near.end(), [&](const TagRecord &a, const TagRecord &b) {
        return distance_to(pose, a) < distance_to(pose, b);
    });
    if (near.size() > kMaxCodesInView)
        near.resize(kMaxCodesInView);
    return near;
}

camera::CodeListRecord code_list_record(const Pose &pose, const TagRecord &tag)
{
    camera::CodeListRecord entry;
    entry.id = quint16(tag.id);
    entry.first_tenths = qint32(std::lround((tag.x_cm - pose.x_cm) * 10));
    entry.second_tenths = qint32(std::lround((tag.y_cm - pose.y_cm) * 10));
    const double relative = std::fmod(tag.angle_deg - pose.rotation_deg + 720.0, 360.0);
    entry.third_tenths = quint16(std::lround(relative * 10) % 3600);
    return entry;
}

} // namespace camsim
