#pragma once

#include "plot/robotoutline.h"

#include <QPointF>
#include <QVector>

class QCustomPlot;

// The position plot: graph 0 holds the trajectory as unconnected green dots,
// graphs 1 to 4 the four edges of the robot's outline (front edge first) and
// graph 5 a red mark at the middle of the front edge.
namespace plot
{

constexpr int kTrackGraph = 0;
constexpr int kFrontMarkGraph = 5;

// The trajectory's layer and above it the outline's, both under "main" and
// each with a picture of its own: a display frame redraws these two only.
constexpr char kTrackLayerName[] = "track";
constexpr char kRobotLayerName[] = "robot";

// Interactions, the frame of axes, the title and the six graphs with the
// outline at the origin. The view is left to the operator: no axis range is
// ever set by the program.
void setup_position_plot(QCustomPlot &plot);

// Moves the outline (graphs 1 to 5) to `corners`.
void show_outline(QCustomPlot &plot, const OutlineCorners &corners);

// Stores (x, y) as the newest point of the trajectory `xs`, `ys` of at most
// `capacity` points (store_track_point) and shows it in graph 0.
void append_to_track(QCustomPlot &plot, QVector<double> &xs, QVector<double> &ys, int capacity,
                     double x, double y);

// Removes every point from graph 0.
void clear_track(QCustomPlot &plot);

// Where the outline stands: the middle of its four corners.
QPointF robot_position(const QCustomPlot &plot);

} // namespace plot
