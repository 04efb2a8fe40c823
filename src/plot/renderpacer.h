#pragma once

#include "plot/displaypacer.h"

class QCustomPlot;

namespace plot
{

// Renders a plot at most once per display frame, with the latest state.
// A child of the plot it renders.
class RenderPacer : public DisplayPacer
{
public:
    explicit RenderPacer(QCustomPlot &plot);
};

} // namespace plot
