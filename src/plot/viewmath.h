#pragma once

#include <QPointF>
#include <QSizeF>

// The arithmetic behind the operator's view commands, apart from any widget.
namespace plot
{

struct Span {
    double lower = 0;
    double upper = 0;
};

struct ViewSpans {
    Span x;
    Span y;
};

// The view that shows `x` by `y` whole in an axis rect of `pixels`, with
// `margin` (a fraction of the larger side) around it and one plot unit as
// many pixels across as up, so that the floor is not distorted. An empty or
// degenerate extent still gives a view of at least one unit.
ViewSpans fit_equal_scale(Span x, Span y, QSizeF pixels, double margin);

// `span` moved so that `centre` is its middle; its width stays.
Span centred(Span span, double centre);

// The same for a span shown `pixels` across, moved by a whole number of
// pixels, so that `centre` ends within half a pixel of the middle: what
// was in view can then be shifted rather than drawn again. A move by at
// least the span's own width keeps nothing in view and goes exactly.
Span centred_by_whole_pixels(Span span, double centre, double pixels);

struct RulerReading {
    double length = 0;
    // Counter-clockwise from the +x axis, 0 up to (not including) 360.
    double angle_degrees = 0;
};

RulerReading ruler_reading(QPointF from, QPointF to);

} // namespace plot
