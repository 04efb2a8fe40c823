#include "plot/renderpacer.h"

#include "plot/displaypacer.h"

#include <qcustomplot.h>

namespace plot
{

namespace
{

const QString kPacerName = QStringLiteral("render pacer");

} // namespace

void pace_renders(QCustomPlot &plot)
{
    auto *pacer = new DisplayPacer(&plot, [&plot] { plot.replot(QCustomPlot::rpRefreshHint); });
    pacer->setObjectName(kPacerName);
}

void request_render(QCustomPlot &plot)
{
    if (auto *pacer = plot.findChild<DisplayPacer *>(kPacerName, Qt::FindDirectChildrenOnly))
        pacer->request();
    else
        plot.replot(QCustomPlot::rpQueuedReplot);
}

} // namespace plot
