#include "plot/viewshift.h"

#include <cmath>

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
