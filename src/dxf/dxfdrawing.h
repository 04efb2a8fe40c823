#pragma once

#include <QHash>
#include <QPointF>
#include <QString>
#include <QVector>

// What the tag map reads from and writes to a DXF drawing, knowing nothing
// of tags: block references with their attributes, the drawing's units.

// $INSUNITS, the drawing's unit: 0 when the drawing does not say.
namespace dxf_units
{
constexpr int unstated = 0;
constexpr int inch = 1;
constexpr int millimetre = 4;
constexpr int centimetre = 5;
constexpr int metre = 6;
} // namespace dxf_units

// One block reference (INSERT) of the model space with the attributes
// (ATTRIB) that follow it, by tag in upper case.
struct DxfInsert {
    QString block;
    QString layer;
    double x = 0;
    double y = 0;
    double rotation_deg = 0;
    QHash<QString, QString> attributes;
};

struct DxfDrawing {
    int units = dxf_units::unstated;
    QVector<DxfInsert> inserts;
};

// A block whose one entity is a closed polyline through `outline`.
struct DxfOutlineBlock {
    QString name;
    QString layer; // the polyline's
    QVector<QPointF> outline;
};

struct DxfAttributeOut {
    QString tag;
    QString value;
    QString layer;
    double height = 1;
    bool visible = true;
};

struct DxfReferenceOut {
    QString block;
    QString layer;
    double x = 0;
    double y = 0;
    double rotation_deg = 0;
    QVector<DxfAttributeOut> attributes;
};
