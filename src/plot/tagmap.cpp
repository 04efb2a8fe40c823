#include "plot/tagmap.h"

#include "plot/tagmaplayer.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace plot
{

namespace
{

constexpr double kPickPixels = 6;
constexpr double kSmallestSidePixels = 6;
constexpr double kLargestSidePixels = 60;
// Antialiased squares cost several times plain ones; a whole floor of them
// would make zooming sluggish.
constexpr int kMostAntialiased = 2000;
// How far right of its square an id's label may reach: five digits.
constexpr double kLabelReachPixels = 60;

QColor fill_of(TagMark mark)
{
    switch (mark) {
    case TagMark::confirmed:
        return QColor(0, 170, 0);
    case TagMark::different:
        return QColor(220, 0, 0);
    case TagMark::unknown:
        return QColor(255, 140, 0);
    case TagMark::unseen:
        return QColor(Qt::transparent);
    case TagMark::none:
        break;
    }
    return QColor(120, 120, 200);
}

const std::array<int, 5> &shown_values(const MapTag &tag)
{
    return tag.mark == TagMark::unknown ? tag.camera : tag.values;
}

} // namespace

TagMap::TagMap(QCPAxis *key_axis, QCPAxis *value_axis) : QCPAbstractPlottable(key_axis, value_axis)
{
    setName(QStringLiteral("标签地图"));
    setSelectable(QCP::stNone);
    setPen(QPen(QColor(40, 40, 120)));
    setAntialiasedFill(false);
}

void TagMap::set_tags(QVector<MapTag> tags)
{
    map_tags = std::move(tags);
    ++generation;
}

QPointF TagMap::centre_pixel(const MapTag &tag) const
{
    const std::array<int, 5> &v = shown_values(tag);
    return coordsToPixels(v[1], v[2]);
}

int TagMap::tag_at(const QPointF &pixel) const
{
    if (!mKeyAxis || !mValueAxis)
        return -1;
    int nearest = -1;
    double best = kPickPixels * kPickPixels;
    for (int i = 0; i < map_tags.size(); ++i) {
        const QPointF d = centre_pixel(map_tags.at(i)) - pixel;
        const double squared = d.x() * d.x() + d.y() * d.y();
        if (squared <= best) {
            best = squared;
            nearest = i;
        }
    }
    return nearest;
}

QString TagMap::tooltip(int index) const
{
    const MapTag &tag = map_tags.at(index);
    auto values_text = [](const std::array<int, 5> &v) {
        return QStringLiteral("编号 %1  x %2 cm  y %3 cm  边长 %4 mm  角度 %5°")
            .arg(v[0])
            .arg(v[1])
            .arg(v[2])
            .arg(v[3])
            .arg(v[4]);
    };
    switch (tag.mark) {
    case TagMark::unknown:
        return QStringLiteral("表中没有此标签\n相机：") + values_text(tag.camera);
    case TagMark::different:
        return QStringLiteral("第 %1 行\n表中：").arg(tag.row + 1) + values_text(tag.values) +
               QStringLiteral("\n相机：") + values_text(tag.camera);
    case TagMark::confirmed:
        return QStringLiteral("第 %1 行（相机已确认）\n").arg(tag.row + 1) +
               values_text(tag.values);
    case TagMark::unseen:
        return QStringLiteral("第 %1 行（相机尚未报告）\n").arg(tag.row + 1) +
               values_text(tag.values);
    case TagMark::none:
        break;
    }
    return QStringLiteral("第 %1 行\n").arg(tag.row + 1) + values_text(tag.values);
}

double TagMap::selectTest(const QPointF &pos, bool only_selectable, QVariant *details) const
{
    if (only_selectable && !selectable())
        return -1;
    const int index = tag_at(pos);
    if (index < 0)
        return -1;
    if (details)
        details->setValue(QCPDataSelection(QCPDataRange(index, index + 1)));
    return QLineF(centre_pixel(map_tags.at(index)), pos).length();
}

QCPRange TagMap::getKeyRange(bool &found_range, QCP::SignDomain in_sign_domain) const
{
    QCPRange range;
    found_range = false;
    for (const MapTag &tag : map_tags) {
        const double x = shown_values(tag)[1];
        if ((in_sign_domain == QCP::sdPositive && x <= 0) ||
            (in_sign_domain == QCP::sdNegative && x >= 0))
            continue;
        if (!found_range) {
            range = QCPRange(x, x);
            found_range = true;
        } else {
            range.expand(x);
        }
    }
    return range;
}

QCPRange TagMap::getValueRange(bool &found_range, QCP::SignDomain in_sign_domain,
                               const QCPRange &in_key_range) const
{
    QCPRange range;
    found_range = false;
    const bool any_key = in_key_range == QCPRange();
    for (const MapTag &tag : map_tags) {
        const std::array<int, 5> &v = shown_values(tag);
        const double y = v[2];
        if (!any_key && !in_key_range.contains(v[1]))
            continue;
        if ((in_sign_domain == QCP::sdPositive && y <= 0) ||
            (in_sign_domain == QCP::sdNegative && y >= 0))
            continue;
        if (!found_range) {
            range = QCPRange(y, y);
            found_range = true;
        } else {
            range.expand(y);
        }
    }
    return range;
}

void TagMap::draw(QCPPainter *painter)
{
    // Exports paint the squares themselves; on screen a position report
    // replots the whole plot dozens of times a second, and a floor of
    // thousands of squares is painted only when the view or the map changed.
    if (painter->modes().testFlag(QCPPainter::pmVectorized) ||
        painter->modes().testFlag(QCPPainter::pmNoCaching)) {
        paint_tags(painter);
        return;
    }
    const QRect clip = clipRect();
    if (clip.isEmpty())
        return;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1;
    const View view{mKeyAxis ? mKeyAxis->range() : QCPRange(),
                    mValueAxis ? mValueAxis->range() : QCPRange(), clip, ratio, generation};
    if (cached.isNull() || cached_view.generation != generation || !mKeyAxis || !mValueAxis) {
        paint_picture(view, painter->font());
    } else if (!(view == cached_view)) {
        // A view moved by whole pixels (following the robot, a drag) keeps
        // what stays in view and paints the strip it exposes.
        const std::optional<QPoint> shift = whole_pixel_shift(
            cached_frame, clip, ratio,
            coordsToPixels(cached_frame.coords[0].x(), cached_frame.coords[0].y()),
            coordsToPixels(cached_frame.coords[1].x(), cached_frame.coords[1].y()));
        bool kept = false;
        if (shift) {
            cached.scroll(int(shift->x() * ratio), int(shift->y() * ratio), cached.rect());
            const QRegion exposed = QRegion(clip).subtracted(QRegion(clip.translated(*shift)));
            QCPPainter picture(&cached);
            picture.setFont(painter->font());
            picture.translate(-clip.topLeft());
            picture.setClipRegion(exposed);
            picture.setCompositionMode(QPainter::CompositionMode_Source);
            picture.fillRect(exposed.boundingRect(), Qt::transparent);
            picture.setCompositionMode(QPainter::CompositionMode_SourceOver);
            kept = paint_tags(&picture, &exposed);
        }
        if (kept) {
            cached_view = view;
            cached_frame = frame_of(*this, clip, ratio);
        } else {
            paint_picture(view, painter->font());
        }
    }
    // Copied pixel for pixel: the half-pixel shift of an anti-aliased
    // painter would move the picture a pixel from where the squares belong.
    painter->save();
    painter->setAntialiasing(false);
    painter->drawPixmap(clip.topLeft(), cached);
    painter->restore();
}

void TagMap::paint_picture(const View &view, const QFont &font)
{
    cached = QPixmap(view.clip.size() * view.pixel_ratio);
    cached.setDevicePixelRatio(view.pixel_ratio);
    cached.fill(Qt::transparent);
    QCPPainter picture(&cached);
    picture.setFont(font);
    picture.translate(-view.clip.topLeft());
    paint_tags(&picture);
    cached_view = view;
    cached_frame = frame_of(*this, view.clip, view.pixel_ratio);
    cached_antialiased = last_drawn <= kMostAntialiased;
    cached_labelled = last_labelled || map_tags.isEmpty();
}

bool TagMap::paint_tags(QCPPainter *painter, const QRegion *only)
{
    if (!only) {
        last_drawn = 0;
        last_labelled = false;
    }
    if (!mKeyAxis || !mValueAxis || map_tags.isEmpty()) {
        ++painting_count;
        return true;
    }
    const QRectF area = QRectF(clipRect())
                            .adjusted(-kLargestSidePixels, -kLargestSidePixels, kLargestSidePixels,
                                      kLargestSidePixels);
    // Pixels per centimetre, for squares of the tag's printed size.
    const double scale = std::abs(mKeyAxis->coordToPixel(1) - mKeyAxis->coordToPixel(0));

    // Whether the squares are smoothed and labelled depends on all tags in
    // view, also when only a strip of the view is painted.
    QVector<int> in_view;
    in_view.reserve(map_tags.size());
    for (int i = 0; i < map_tags.size(); ++i)
        if (area.contains(centre_pixel(map_tags.at(i))))
            in_view.append(i);
    const bool labelled = in_view.size() <= kMostLabels;
    if (only) {
        if (cached_antialiased != (in_view.size() <= kMostAntialiased) ||
            cached_labelled != labelled)
            return false;
        // A label reaches right of its square.
        QVector<QRectF> reached;
        for (const QRect &rect : *only)
            reached.append(QRectF(rect).adjusted(-kLargestSidePixels - kLabelReachPixels,
                                                 -kLargestSidePixels, kLargestSidePixels,
                                                 kLargestSidePixels));
        QVector<int> near;
        for (int i : in_view) {
            const QPointF centre = centre_pixel(map_tags.at(i));
            for (const QRectF &rect : reached) {
                if (rect.contains(centre)) {
                    near.append(i);
                    break;
                }
            }
        }
        painter->setAntialiasing(in_view.size() <= kMostAntialiased);
        last_drawn = in_view.size();
        in_view = near;
    } else {
        last_drawn = in_view.size();
        painter->setAntialiasing(in_view.size() <= kMostAntialiased);
    }
    ++painting_count;
    painter->setPen(mPen);

    QPointF corners[4];
    for (int i : in_view) {
        const MapTag &tag = map_tags.at(i);
        const std::array<int, 5> &v = shown_values(tag);
        const QPointF centre = centre_pixel(tag);
        const double half =
            0.5 * std::clamp(v[3] / 10.0 * scale, kSmallestSidePixels, kLargestSidePixels);
        // The value axis grows upwards, pixels downwards.
        const double turn = qDegreesToRadians(double(v[4]));
        const double c = std::cos(turn) * half;
        const double s = std::sin(turn) * half;
        corners[0] = centre + QPointF(c - s, -(s + c));
        corners[1] = centre + QPointF(-c - s, -(-s + c));
        corners[2] = centre + QPointF(-c + s, -(-s - c));
        corners[3] = centre + QPointF(c + s, -(s - c));
        if (tag.mark == TagMark::unseen)
            painter->setBrush(Qt::NoBrush);
        else
            painter->setBrush(fill_of(tag.mark));
        painter->drawPolygon(corners, 4);
    }

    if (!labelled)
        return true;
    last_labelled = true;
    painter->setPen(QPen(QColor(30, 30, 30)));
    for (int i : in_view) {
        const MapTag &tag = map_tags.at(i);
        const QPointF centre = centre_pixel(tag);
        painter->drawText(centre + QPointF(kSmallestSidePixels, -kSmallestSidePixels),
                          QString::number(shown_values(tag)[0]));
    }
    return true;
}

void TagMap::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->setPen(mPen);
    painter->setBrush(fill_of(TagMark::none));
    const double side = std::min(rect.width(), rect.height()) * 0.7;
    painter->drawRect(QRectF(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side)));
}

TagMap *add_tag_map(QCustomPlot &plot)
{
    QCPLayer *layer = tags_layer(plot);
    auto *map = new TagMap(plot.xAxis, plot.yAxis);
    map->setLayer(layer);
    return map;
}

} // namespace plot
