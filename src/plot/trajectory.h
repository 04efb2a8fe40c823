#pragma once

#include <QVector>
#include <qcustomplot.h>

// The stored trajectory (x and y, index-aligned, oldest first) and the data of
// the graph that shows it. The graph keeps its points sorted by x, so it is
// kept in step point by point rather than copied whole for every position.
namespace plot
{

// Moves the point (key, value) of the sorted `data` to (new_key, new_value),
// keeping it sorted: only the points between the two places move, where a
// removal and an insertion would each move all that follow them (a sliding
// trajectory of 30000 points does that hundreds of times a second). False,
// and `data` unchanged, when it holds no such point.
bool replace_point(QCPGraphDataContainer &data, double key, double value, double new_key,
                   double new_value);

// Stores (x, y) as the newest point. When `capacity` points are stored, the
// oldest is dropped first, so the trajectory is always the newest `capacity`
// positions. `shown` ends up holding exactly the stored points.
void store_track_point(QVector<double> &xs, QVector<double> &ys, int capacity,
                       QCPGraphDataContainer &shown, double x, double y);

// Removes one point (key, value) from `data`; false if there is none.
bool remove_point(QCPGraphDataContainer &data, double key, double value);

} // namespace plot
