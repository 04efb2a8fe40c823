#include "plot/renderpacer.h"

#include <qcustomplot.h>

namespace plot
{

RenderPacer::RenderPacer(QCustomPlot &plot)
    : DisplayPacer(&plot, [&plot] { plot.replot(QCustomPlot::rpRefreshHint); })
{
}

} // namespace plot
