#include "tags/taggrid.h"

#include "tags/tagtable.h"

#include <array>

namespace
{

constexpr qint64 kMostTagId = 19999;
constexpr qint64 kMostCoordinate = 65535;
constexpr int kMostSide = 999;
constexpr int kMostAngle = 359;

GridProblem problem(GridField field, const QString &english, const QString &chinese)
{
    return {field, english, chinese};
}

// The first and the last value of a run of `count` values `step` apart.
bool run_within(qint64 first, qint64 step, qint64 count, qint64 low, qint64 high)
{
    const qint64 last = first + step * (count - 1);
    return first >= low && first <= high && last >= low && last <= high;
}

// A coordinate's run: the origin's field is at fault when it alone is out.
std::optional<GridProblem> coordinate_problem(qint64 origin, qint64 pitch, qint64 count,
                                              GridField origin_field, GridField pitch_field,
                                              const QString &axis)
{
    if (run_within(origin, pitch, count, -kMostCoordinate, kMostCoordinate))
        return std::nullopt;
    const bool origin_out = origin < -kMostCoordinate || origin > kMostCoordinate;
    return problem(origin_out ? origin_field : pitch_field,
                   QStringLiteral("%1 goes beyond +-65535 cm").arg(axis),
                   QStringLiteral("%1坐标超出 ±65535 cm").arg(axis));
}

} // namespace

std::optional<GridProblem> grid_problem(const GridSpec &spec)
{
    if (spec.rows < 1)
        return problem(GridField::rows, QStringLiteral("at least 1 row"),
                       QStringLiteral("行数至少为 1"));
    if (spec.columns < 1)
        return problem(GridField::columns, QStringLiteral("at least 1 column"),
                       QStringLiteral("列数至少为 1"));
    const qint64 count = qint64(spec.rows) * spec.columns;
    if (count > TAG_TABLE_ROWS)
        return problem(
            spec.rows > spec.columns ? GridField::rows : GridField::columns,
            QStringLiteral("%1 tags, more than the table's %2 rows").arg(count).arg(TAG_TABLE_ROWS),
            QStringLiteral("共 %1 个标签，超过标签表的 %2 行").arg(count).arg(TAG_TABLE_ROWS));
    if (spec.first_id < 1 || spec.first_id > kMostTagId)
        return problem(GridField::first_id, QStringLiteral("ids run from 1 to 19999"),
                       QStringLiteral("编号须在 1 到 19999 之间"));
    if (count > 1 && spec.id_step == 0)
        return problem(GridField::id_step, QStringLiteral("a step of 0 gives every tag one id"),
                       QStringLiteral("步长为 0 时所有标签编号相同"));
    if (!run_within(spec.first_id, spec.id_step, count, 1, kMostTagId))
        return problem(GridField::id_step, QStringLiteral("the last id goes beyond 1..19999"),
                       QStringLiteral("最后一个编号超出 1 到 19999"));
    if (auto x = coordinate_problem(spec.origin_x_cm, spec.pitch_x_cm, spec.columns,
                                    GridField::origin_x, GridField::pitch_x, QStringLiteral("x")))
        return x;
    if (auto y = coordinate_problem(spec.origin_y_cm, spec.pitch_y_cm, spec.rows,
                                    GridField::origin_y, GridField::pitch_y, QStringLiteral("y")))
        return y;
    if (spec.side_mm < 0 || spec.side_mm > kMostSide)
        return problem(GridField::side, QStringLiteral("a side runs from 0 to 999 mm"),
                       QStringLiteral("边长须在 0 到 999 mm 之间"));
    if (spec.angle_deg < -kMostAngle || spec.angle_deg > kMostAngle)
        return problem(GridField::angle, QStringLiteral("an angle runs from -359 to 359 degrees"),
                       QStringLiteral("角度须在 -359 到 359 之间"));
    return std::nullopt;
}

QVector<TagRecord> grid_tags(const GridSpec &spec)
{
    if (spec.rows < 1 || spec.columns < 1 || qint64(spec.rows) * spec.columns > TAG_TABLE_ROWS)
        return {};
    const int count = spec.rows * spec.columns;
    const bool by_rows = spec.order == GridOrder::rows || spec.order == GridOrder::serpentine_rows;
    const bool serpentine =
        spec.order == GridOrder::serpentine_rows || spec.order == GridOrder::serpentine_columns;
    // The run is a row (by rows) or a column; the line is which run.
    const int run_length = by_rows ? spec.columns : spec.rows;
    QVector<TagRecord> tags;
    tags.reserve(count);
    for (int k = 0; k < count; ++k) {
        const int line = k / run_length;
        int along = k % run_length;
        if (serpentine && line % 2 == 1)
            along = run_length - 1 - along;
        const int column = by_rows ? along : line;
        const int row = by_rows ? line : along;
        TagRecord tag;
        // In 64 bits: a grid nobody checked must not overflow.
        tag.id = qint32(spec.first_id + qint64(spec.id_step) * k);
        tag.x_cm = qint32(spec.origin_x_cm + qint64(spec.pitch_x_cm) * column);
        tag.y_cm = qint32(spec.origin_y_cm + qint64(spec.pitch_y_cm) * row);
        tag.side_mm = spec.side_mm;
        tag.angle_deg = spec.angle_deg;
        tags.append(tag);
    }
    return tags;
}

namespace
{

const std::array<std::pair<GridOrder, const char *>, 4> kOrderNames = {{
    {GridOrder::rows, "rows"},
    {GridOrder::columns, "columns"},
    {GridOrder::serpentine_rows, "serpentine-rows"},
    {GridOrder::serpentine_columns, "serpentine-columns"},
}};

} // namespace

QString grid_order_name(GridOrder order)
{
    for (const auto &entry : kOrderNames)
        if (entry.first == order)
            return QLatin1String(entry.second);
    return QString();
}

std::optional<GridOrder> grid_order_from_name(const QString &name)
{
    for (const auto &entry : kOrderNames)
        if (name == QLatin1String(entry.second))
            return entry.first;
    return std::nullopt;
}
