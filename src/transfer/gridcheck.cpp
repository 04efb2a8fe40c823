#include "transfer/gridcheck.h"

#include "tags/tagtable.h"
#include "transfer/recordcheck.h"

std::optional<GridProblem> grid_refusal(const GridSpec &spec)
{
    if (std::optional<GridProblem> problem = grid_problem(spec))
        return problem;
    for (const TagRecord &tag : grid_tags(spec)) {
        const std::optional<QString> why = why_camera_cannot_receive(tag, tag_table_headers());
        if (!why)
            continue;
        // Only x and y can hold the frame's markers.
        const bool in_x = why->contains(tag_table_headers().at(1));
        GridProblem problem;
        problem.field = in_x ? GridField::pitch_x : GridField::pitch_y;
        if ((in_x && spec.pitch_x_cm == 0) || (!in_x && spec.pitch_y_cm == 0))
            problem.field = in_x ? GridField::origin_x : GridField::origin_y;
        problem.english = QStringLiteral("tag %1 lies at %2, %3, which the camera can never "
                                         "receive whole")
                              .arg(tag.id)
                              .arg(tag.x_cm)
                              .arg(tag.y_cm);
        problem.chinese = QStringLiteral("编号 %1 的标签位于 %2, %3，相机无法完整接收")
                              .arg(tag.id)
                              .arg(tag.x_cm)
                              .arg(tag.y_cm);
        return problem;
    }
    return std::nullopt;
}
