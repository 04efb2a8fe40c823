#include "plot/viewshift.h"

#include <cmath>
#include <qcustomplot.h>

namespace plot
{

namespace
{

// Far below a pixel, far above the rounding of coordinates to pixels.
constexpr double kPixelTolerance = 1e-6;

bool whole(double value)
{
    return std::abs(value - std::round(value)) < kPixelTolerance;
}

} // namespace

ViewFrame frame_of(const QCPAbstractPlottable &plottable, const QRect &clip, qreal ratio)
{
    ViewFrame view;
    if (!plottable.keyAxis() || !plottable.valueAxis())
        return view;
    view.valid = true;
    view.clip = clip;
    view.ratio = ratio;
    view.coords[0] =
        QPointF(plottable.keyAxis()->range().lower, plottable.valueAxis()->range().lower);
    view.coords[1] =
        QPointF(plottable.keyAxis()->range().upper, plottable.valueAxis()->range().upper);
    for (int k = 0; k < 2; ++k)
        view.pixels[k] = plottable.coordsToPixels(view.coords[k].x(), view.coords[k].y());
    return view;
}

std::optional<QPoint> whole_pixel_shift(const ViewFrame &before, const QRect &clip, qreal ratio,
                                        QPointF first_now, QPointF second_now)
{
    if (!before.valid || before.clip != clip || before.ratio != ratio)
        return std::nullopt;
    const QPointF first = first_now - before.pixels[0];
    const QPointF second = second_now - before.pixels[1];
    if (std::abs(first.x() - second.x()) >= kPixelTolerance ||
        std::abs(first.y() - second.y()) >= kPixelTolerance)
        return std::nullopt;
    // Stamps land on whole device pixels; a move by part of one would
    // place every dot differently from a fresh painting.
    if (!whole(first.x() * ratio) || !whole(first.y() * ratio) || !whole(first.x()) ||
        !whole(first.y()))
        return std::nullopt;
    if (!(std::abs(first.x()) < clip.width() && std::abs(first.y()) < clip.height()))
        return std::nullopt;
    return QPoint(int(std::round(first.x())), int(std::round(first.y())));
}

} // namespace plot
