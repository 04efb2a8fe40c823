#pragma once

#include <QPointF>
#include <QRect>
#include <optional>

class QCPAbstractPlottable;

namespace plot
{

// Where a view put two plot coordinates on screen, in which clip rect and at
// which device pixel ratio: enough to tell whether a later linear view is
// the same one moved by whole pixels.
struct ViewFrame {
    bool valid = false;
    QRect clip;
    qreal ratio = 1;
    QPointF coords[2];
    QPointF pixels[2];
};

// Where `plottable`'s view puts the lower and the upper ends of its ranges.
ViewFrame frame_of(const QCPAbstractPlottable &plottable, const QRect &clip, qreal ratio);

// The whole-pixel move from `before` to a view with `clip` and `ratio` that
// puts before's two coordinates at `first_now` and `second_now`; none if
// that view differs in anything else (scale, size, a part of a pixel), or
// if nothing of `before` would stay in view. (0, 0) is the same view.
std::optional<QPoint> whole_pixel_shift(const ViewFrame &before, const QRect &clip, qreal ratio,
                                        QPointF first_now, QPointF second_now);

} // namespace plot
