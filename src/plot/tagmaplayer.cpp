#include "plot/tagmaplayer.h"

#include <qcustomplot.h>

namespace plot
{

QCPLayer *tags_layer(QCustomPlot &plot)
{
    const QString name = QString::fromLatin1(kTagsLayerName);
    if (QCPLayer *layer = plot.layer(name))
        return layer;
    plot.addLayer(name, plot.layer(QStringLiteral("main")), QCustomPlot::limBelow);
    QCPLayer *layer = plot.layer(name);
    layer->setMode(QCPLayer::lmBuffered);
    return layer;
}

} // namespace plot
