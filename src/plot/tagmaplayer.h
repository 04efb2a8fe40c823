#pragma once

#include <QString>

class QCPLayer;
class QCustomPlot;

namespace plot
{

// The tag map's layer: buffered on its own under the trajectory's, so that
// a position report redraws the trajectory without the map and a changed
// map redraws only itself. Anything that shows or hides the map addresses
// the layer by this name.
constexpr char kTagsLayerName[] = "tags";

// The layer, created under the trajectory's layer on first use.
QCPLayer *tags_layer(QCustomPlot &plot);

} // namespace plot
