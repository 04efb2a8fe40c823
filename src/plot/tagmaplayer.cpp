#include "plot/tagmaplayer.h"

#include "plot/trajectoryplot.h"

#include <qcustomplot.h>

namespace plot
{

QCPLayer *tags_layer(QCustomPlot &plot)
{
    const QString name = QString::fromLatin1(kTagsLayerName);
    if (QCPLayer *layer = plot.layer(name))
        return layer;
    // Under the trajectory, where there is one.
    QCPLayer *above = plot.layer(QString::fromLatin1(kTrackLayerName));
    plot.addLayer(name, above ? above : plot.layer(QStringLiteral("main")), QCustomPlot::limBelow);
    QCPLayer *layer = plot.layer(name);
    layer->setMode(QCPLayer::lmBuffered);
    return layer;
}

} // namespace plot
