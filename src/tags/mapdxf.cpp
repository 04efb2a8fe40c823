#include "tags/mapdxf.h"

#include "dxf/dxfwriter.h"

#include <QMap>
#include <cmath>

namespace
{

const QString kTagsLayer = QStringLiteral("TAGS");
const QString kIdsLayer = QStringLiteral("TAG_IDS");
const QString kIdTag = QStringLiteral("ID");
const QString kSideTag = QStringLiteral("SIDE");
// Coordinates past this many centimetres lie on no floor.
constexpr double kFarthestCm = 1e9;

// The value rounded to whole units, or nothing for one no floor has.
std::optional<qint64> whole(double value)
{
    if (!std::isfinite(value) || std::abs(value) > kFarthestCm)
        return std::nullopt;
    return qint64(std::llround(value));
}

QString block_name(int side_mm)
{
    return QStringLiteral("TAG_%1MM").arg(side_mm);
}

} // namespace

std::optional<double> centimetres_per_unit(int dxf_units)
{
    switch (dxf_units) {
    case dxf_units::inch:
        return 2.54;
    case dxf_units::millimetre:
        return 0.1;
    case dxf_units::centimetre:
        return 1.0;
    case dxf_units::metre:
        return 100.0;
    default:
        return std::nullopt;
    }
}

DxfMapRows map_rows_from_dxf(const DxfRead &read, std::optional<int> units_if_unstated)
{
    DxfMapRows map;
    if (!read.ok) {
        map.refusal = read.refusal;
        return map;
    }
    int units = read.drawing.units;
    if (units == dxf_units::unstated) {
        if (!units_if_unstated) {
            map.status = DxfMapRows::Status::units_unstated;
            return map;
        }
        units = *units_if_unstated;
    }
    const std::optional<double> scale = centimetres_per_unit(units);
    if (!scale) {
        map.refusal =
            QStringLiteral("drawing units $INSUNITS %1 are none of mm, cm, m and inch").arg(units);
        return map;
    }
    for (const DxfInsert &insert : read.drawing.inserts) {
        // A tag block placed but not yet numbered is no tag either.
        const auto id = insert.attributes.constFind(kIdTag);
        if (id == insert.attributes.constEnd() || id.value().trimmed().isEmpty())
            continue;
        const std::optional<qint64> x = whole(insert.x * *scale);
        const std::optional<qint64> y = whole(insert.y * *scale);
        const std::optional<qint64> angle = whole(std::fmod(insert.rotation_deg, 360.0));
        if (!x || !y || !angle) {
            map.refusal = QStringLiteral("block reference of tag %1 lies beyond any floor")
                              .arg(id.value().left(20));
            return map;
        }
        map.rows.append({id.value().trimmed(), QString::number(*x), QString::number(*y),
                         insert.attributes.value(kSideTag).trimmed(), QString::number(*angle)});
    }
    map.status = DxfMapRows::Status::read;
    return map;
}

bool write_map_dxf(const QString &path, const QVector<TagRowTexts> &rows, QString *error)
{
    QMap<int, DxfOutlineBlock> blocks;
    QVector<DxfReferenceOut> references;
    for (const TagRowTexts &texts : rows) {
        const std::optional<TagRecord> tag = tag_record_from_texts(texts);
        if (!tag)
            continue;
        if (!blocks.contains(tag->side_mm)) {
            const double half = tag->side_mm / 20.0;
            DxfOutlineBlock square;
            square.name = block_name(tag->side_mm);
            square.layer = kTagsLayer;
            square.outline = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
            blocks.insert(tag->side_mm, square);
        }
        DxfReferenceOut ref;
        ref.block = block_name(tag->side_mm);
        ref.layer = kTagsLayer;
        ref.x = tag->x_cm;
        ref.y = tag->y_cm;
        ref.rotation_deg = tag->angle_deg;
        // Ids readable beside a tag of any size, even one of side 0.
        const double height = std::max(1.0, tag->side_mm / 30.0);
        ref.attributes = {{kIdTag, QString::number(tag->id), kIdsLayer, height, true},
                          {kSideTag, QString::number(tag->side_mm), kIdsLayer, height, false}};
        references.append(ref);
    }
    QVector<DxfOutlineBlock> outlines;
    for (const DxfOutlineBlock &block : blocks)
        outlines.append(block);
    return write_dxf_file(path, dxf_units::centimetre, {kTagsLayer, kIdsLayer}, outlines,
                          references, error);
}
