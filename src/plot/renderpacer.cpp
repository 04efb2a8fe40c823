#include "plot/renderpacer.h"

#include <qcustomplot.h>

namespace plot
{

RenderPacer::RenderPacer(QCustomPlot &plot) : QObject(&plot), plot(plot)
{
    due.setSingleShot(true);
    connect(&due, &QTimer::timeout, this, &RenderPacer::render);
}

void RenderPacer::request()
{
    if (due.isActive())
        return;
    const qint64 waited = since_render.isValid() ? since_render.elapsed() : kFrameMs;
    due.start(int(qMax<qint64>(0, kFrameMs - waited)));
}

void RenderPacer::render()
{
    since_render.start();
    plot.replot(QCustomPlot::rpRefreshHint);
}

void request_render(QCustomPlot &plot)
{
    if (auto *pacer = plot.findChild<RenderPacer *>(QString(), Qt::FindDirectChildrenOnly))
        pacer->request();
    else
        plot.replot(QCustomPlot::rpQueuedReplot);
}

} // namespace plot
