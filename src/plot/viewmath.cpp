#include "plot/viewmath.h"

#include <algorithm>
#include <cmath>

namespace plot
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kSmallestExtent = 1;

} // namespace

ViewSpans fit_equal_scale(Span x, Span y, QSizeF pixels, double margin)
{
    const double width = std::max(pixels.width(), 1.0);
    const double height = std::max(pixels.height(), 1.0);
    const double extent_x = std::max(x.upper - x.lower, 0.0);
    const double extent_y = std::max(y.upper - y.lower, 0.0);
    const double pad = std::max(extent_x, extent_y) * margin;
    const double need_x = std::max(extent_x + 2 * pad, kSmallestExtent);
    const double need_y = std::max(extent_y + 2 * pad, kSmallestExtent);
    // Units per pixel: what the axis that needs more asks for.
    const double scale = std::max(need_x / width, need_y / height);
    const double mid_x = (x.lower + x.upper) / 2;
    const double mid_y = (y.lower + y.upper) / 2;
    return {{mid_x - scale * width / 2, mid_x + scale * width / 2},
            {mid_y - scale * height / 2, mid_y + scale * height / 2}};
}

Span centred(Span span, double centre)
{
    const double half = (span.upper - span.lower) / 2;
    return {centre - half, centre + half};
}

Span centred_by_whole_pixels(Span span, double centre, double pixels)
{
    const double width = span.upper - span.lower;
    const double move = centre - (span.lower + span.upper) / 2;
    if (!(pixels >= 1) || !(width > 0) || !(std::abs(move) < width))
        return centred(span, centre);
    const double per_pixel = width / pixels;
    const double whole_move = std::round(move / per_pixel) * per_pixel;
    return {span.lower + whole_move, span.upper + whole_move};
}

RulerReading ruler_reading(QPointF from, QPointF to)
{
    const double dx = to.x() - from.x();
    const double dy = to.y() - from.y();
    double angle = std::atan2(dy, dx) * 180 / kPi;
    if (angle < 0)
        angle += 360;
    if (angle >= 360)
        angle -= 360;
    return {std::hypot(dx, dy), angle};
}

} // namespace plot
