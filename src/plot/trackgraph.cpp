#include "plot/trackgraph.h"

#include "plot/plotvisibility.h"

#include <QRegion>
#include <algorithm>

namespace plot
{

namespace
{

bool linear(const QCPAxis *axis)
{
    return axis && axis->scaleType() == QCPAxis::stLinear;
}

} // namespace

TrackGraph::TrackGraph(QCPAxis *key_axis, QCPAxis *value_axis) : QCPGraph(key_axis, value_axis)
{
    dropped_redraw.setSingleShot(true);
    connect(&dropped_redraw, &QTimer::timeout, this, [this] {
        QCustomPlot *plot = parentPlot();
        if (dropped_waiting && plot && widget_seen(*plot) && layer())
            layer()->replot();
    });
}

void TrackGraph::points_added(double x, double y, int dropped)
{
    if (dropped > 0) {
        dropped_waiting = true;
        schedule_dropped_redraw();
    }
    if (picture_stale)
        return;
    if (pending.size() >= kMostPending) {
        picture_stale = true;
        pending.clear();
        return;
    }
    pending.append(QPointF(x, y));
}

void TrackGraph::points_replaced()
{
    picture_stale = true;
    dropped_waiting = false;
    pending.clear();
}

void TrackGraph::set_cached(bool on)
{
    cached = on;
    points_replaced();
    if (!on) {
        picture = QPixmap();
        dropped_redraw.stop();
    }
}

void TrackGraph::draw(QCPPainter *painter)
{
    // Vector exports and what the picture cannot follow (a selection drawn
    // in its own colour, logarithmic axes) are drawn the library's way.
    if (!cached || painter->modes().testFlag(QCPPainter::pmVectorized) || !selection().isEmpty() ||
        !linear(keyAxis()) || !linear(valueAxis())) {
        QCPGraph::draw(painter);
        return;
    }
    // A picture to be kept (an image saved, the clipboard) is painted whole.
    if (painter->modes().testFlag(QCPPainter::pmNoCaching)) {
        painter->save();
        stamp_points(*painter, QRegion(clipRect()));
        painter->restore();
        return;
    }
    // The picture is painted as the plot paints, with the half-pixel shift
    // of anti-aliasing, and copied pixel for pixel without it.
    painter->save();
    painter->setAntialiasing(false);
    const QRect clip =
        painter->hasClipping() ? painter->clipBoundingRect().toAlignedRect() : clipRect();
    if (!clip.isEmpty())
        draw_picture(*painter, clip);
    painter->restore();
}

void TrackGraph::draw_picture(QCPPainter &painter, const QRect &clip)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    const ViewFrame view = frame_of(*this, clip, ratio);
    const bool dropped_due =
        dropped_waiting && (!since_full.isValid() || since_full.elapsed() >= kDroppedRedrawMs);
    std::optional<QPoint> shift;
    if (!picture_stale && !dropped_due && !picture.isNull())
        shift = whole_pixel_shift(
            picture_view, clip, ratio,
            coordsToPixels(picture_view.coords[0].x(), picture_view.coords[0].y()),
            coordsToPixels(picture_view.coords[1].x(), picture_view.coords[1].y()));
    if (!shift) {
        paint_all(view);
    } else {
        // New dots go in where the picture's view puts them, before it
        // moves: the strip it exposes then holds no dot twice.
        paint_pending(*shift);
        if (!shift->isNull()) {
            picture.scroll(int(shift->x() * ratio), int(shift->y() * ratio), picture.rect());
            paint_exposed(QRegion(clip).subtracted(QRegion(clip.translated(*shift))));
        }
        picture_view = view;
        if (dropped_waiting)
            schedule_dropped_redraw();
    }
    painter.drawPixmap(clip.topLeft(), picture);
}

void TrackGraph::paint_all(const ViewFrame &view)
{
    const QSize size(int(view.clip.width() * view.ratio), int(view.clip.height() * view.ratio));
    if (picture.size() != size)
        picture = QPixmap(size);
    picture.setDevicePixelRatio(view.ratio);
    picture.fill(Qt::transparent);
    {
        QCPPainter painter(&picture);
        painter.translate(-view.clip.topLeft());
        painter.setClipRect(view.clip);
        stamp_points(painter, QRegion(view.clip));
    }
    picture_view = view;
    picture_stale = false;
    dropped_waiting = false;
    pending.clear();
    since_full.start();
    ++full_count;
}

void TrackGraph::paint_exposed(const QRegion &exposed)
{
    if (exposed.isEmpty())
        return;
    QCPPainter painter(&picture);
    painter.translate(-picture_view.clip.topLeft());
    painter.setClipRegion(exposed);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(exposed.boundingRect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    stamp_points(painter, exposed);
}

void TrackGraph::paint_pending(const QPoint &moved_since)
{
    if (pending.isEmpty())
        return;
    QCPPainter painter(&picture);
    painter.translate(-picture_view.clip.topLeft());
    painter.setClipRect(picture_view.clip);
    apply_stamp_hint(painter);
    mScatterStyle.applyTo(&painter, mPen);
    for (const QPointF &point : pending)
        stamp(painter, coordsToPixels(point.x(), point.y()) - QPointF(moved_since));
    pending.clear();
}

void TrackGraph::apply_stamp_hint(QCPPainter &painter) const
{
    // A pre-rendered dot is stamped on whole pixels; the half-pixel shift of
    // an anti-aliased painter would leave its rounding to the paint engine,
    // which Qt 6 rounds differently depending on where the picture starts.
    if (mScatterStyle.shape() == QCPScatterStyle::ssPixmap)
        painter.setAntialiasing(false);
    else
        applyScattersAntialiasingHint(&painter);
}

void TrackGraph::stamp_points(QCPPainter &painter, const QRegion &area) const
{
    // How far a dot reaches from its point, with a pixel to spare for the
    // stamp's rounding to whole pixels.
    const QPixmap &stamp_picture = mScatterStyle.pixmap();
    const double reach = (mScatterStyle.shape() == QCPScatterStyle::ssPixmap
                              ? std::max(stamp_picture.width(), stamp_picture.height()) /
                                    stamp_picture.devicePixelRatioF()
                              : mScatterStyle.size() + mPen.widthF()) /
                             2 +
                         1;
    QVector<QRectF> reached;
    for (const QRect &rect : area)
        reached.append(QRectF(rect).adjusted(-reach, -reach, reach, reach));
    apply_stamp_hint(painter);
    mScatterStyle.applyTo(&painter, mPen);
    for (auto it = mDataContainer->constBegin(); it != mDataContainer->constEnd(); ++it) {
        const QPointF pixel = coordsToPixels(it->key, it->value);
        for (const QRectF &rect : reached) {
            if (rect.contains(pixel)) {
                stamp(painter, pixel);
                break;
            }
        }
    }
}

void TrackGraph::stamp(QCPPainter &painter, const QPointF &pixel) const
{
    mScatterStyle.drawShape(&painter, pixel);
}

void TrackGraph::schedule_dropped_redraw()
{
    if (dropped_redraw.isActive())
        return;
    const qint64 waited = since_full.isValid() ? since_full.elapsed() : kDroppedRedrawMs;
    dropped_redraw.start(int(std::max<qint64>(0, kDroppedRedrawMs - waited)));
}

} // namespace plot
