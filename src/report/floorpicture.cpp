#include "report/floorpicture.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace report
{

namespace
{

struct Extent {
    double left = 0, right = 0, bottom = 0, top = 0;
    bool any = false;
    void take(double x, double y)
    {
        if (!any) {
            left = right = x;
            bottom = top = y;
            any = true;
            return;
        }
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
    }
};

// A round length for the scale bar: 1, 2 or 5 times a power of ten, at most `most`.
double round_length(double most)
{
    const double power = std::pow(10.0, std::floor(std::log10(most)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= most)
            return step * power;
    return power;
}

QString length_text(double cm)
{
    if (cm >= 100)
        return QStringLiteral("%1 m").arg(cm / 100);
    return QStringLiteral("%1 cm").arg(cm);
}

} // namespace

QColor confirmed_colour()
{
    return QColor(0, 170, 0);
}
QColor different_colour()
{
    return QColor(220, 0, 0);
}
QColor unknown_colour()
{
    return QColor(255, 140, 0);
}
QColor unseen_colour()
{
    return QColor(90, 90, 90);
}

void draw_floor_picture(QPainter &painter, const QRectF &area, const CommissioningReport &content)
{
    const FloorCheck &floor = content.floor;
    const QVector<TableTags::Tag> &tags = floor.table().tags();
    Extent extent;
    for (const TableTags::Tag &tag : tags)
        extent.take(tag.record.x_cm, tag.record.y_cm);
    for (const TagRecord &reported : floor.unknown())
        extent.take(reported.x_cm, reported.y_cm);
    for (const QPointF &point : content.trajectory)
        extent.take(point.x(), point.y());

    painter.save();
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    if (!extent.any) {
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("没有标签，也没有轨迹"));
        painter.restore();
        return;
    }

    // One factor for both axes: the larger extent fills its side.
    const double inset = area.width() * 0.04;
    const QRectF inner = area.adjusted(inset, inset, -inset, -inset);
    const double width_cm = std::max(extent.right - extent.left, 1.0);
    const double height_cm = std::max(extent.top - extent.bottom, 1.0);
    const double scale = std::min(inner.width() / width_cm, inner.height() / height_cm);
    const double mid_x = (extent.left + extent.right) / 2;
    const double mid_y = (extent.bottom + extent.top) / 2;
    auto at = [&](double x, double y) {
        return QPointF(inner.center().x() + (x - mid_x) * scale,
                       inner.center().y() - (y - mid_y) * scale);
    };

    // Markers at the printed size when the floor is small, else as large as
    // the tags' spacing allows, never too small to see.
    const int count = std::max(1, int(tags.size() + floor.unknown().size()));
    const double spacing = std::sqrt(inner.width() * inner.height() / count);
    const double smallest = area.width() * 0.002;
    const double largest = area.width() * 0.012;
    auto marker_side = [&](int side_mm) {
        return std::clamp(std::max(side_mm / 10.0 * scale, 0.6 * spacing), smallest, largest);
    };

    painter.setClipRect(area);
    const QHash<int, FloorCheck::Mark> &marks = floor.marks();
    for (const TableTags::Tag &tag : tags) {
        const double side = marker_side(tag.record.side_mm);
        const QRectF square(at(tag.record.x_cm, tag.record.y_cm) - QPointF(side / 2, side / 2),
                            QSizeF(side, side));
        const auto mark = marks.constFind(tag.row);
        if (mark == marks.constEnd()) {
            painter.setPen(QPen(unseen_colour(), side * 0.15));
            painter.setBrush(Qt::NoBrush);
        } else {
            const QColor colour = mark->match == TableTags::Match::confirmed ? confirmed_colour()
                                                                             : different_colour();
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
        }
        painter.drawRect(square);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(unknown_colour());
    for (const TagRecord &reported : floor.unknown()) {
        const double side = marker_side(reported.side_mm);
        painter.drawEllipse(at(reported.x_cm, reported.y_cm), side / 2, side / 2);
    }

    if (!content.trajectory.isEmpty()) {
        QPainterPath path(at(content.trajectory.first().x(), content.trajectory.first().y()));
        for (const QPointF &point : content.trajectory)
            path.lineTo(at(point.x(), point.y()));
        painter.setPen(QPen(QColor(0, 90, 230), area.width() * 0.0015));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.setClipping(false);

    // The scale bar, bottom left, about a fifth of the picture.
    const double bar_cm = round_length(inner.width() / scale / 5);
    const QPointF from(area.left() + inset, area.bottom() - inset / 2);
    const QPointF to = from + QPointF(bar_cm * scale, 0);
    painter.setPen(QPen(Qt::black, area.width() * 0.002));
    painter.drawLine(from, to);
    painter.drawLine(from, from - QPointF(0, inset / 4));
    painter.drawLine(to, to - QPointF(0, inset / 4));
    painter.drawText(QRectF(to.x() + inset / 4, to.y() - inset, area.width() / 2, inset),
                     Qt::AlignLeft | Qt::AlignVCenter, length_text(bar_cm));
    painter.restore();
}

} // namespace report
