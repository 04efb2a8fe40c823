#pragma once

class QCustomPlot;

namespace plot
{

// Gives `plot` a display pacer: from then on request_render() renders it at
// most once per display frame, with the latest state.
void pace_renders(QCustomPlot &plot);

// Asks the pacer of `plot` for a render; a plot without one renders in the
// next pass of the event loop.
void request_render(QCustomPlot &plot);

} // namespace plot
