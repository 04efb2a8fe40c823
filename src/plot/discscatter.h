#pragma once

#include <QPen>
#include <qcustomplot.h>

namespace plot
{

// A scatter style that stamps a pre-rendered disc of diameter `size` drawn
// with `pen`: the same picture as the library's disc scatter, at the cost of
// one pixmap copy per point instead of an anti-aliased ellipse.
QCPScatterStyle disc_scatter(int size, const QPen &pen);

} // namespace plot
