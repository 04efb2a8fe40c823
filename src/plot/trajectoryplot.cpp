#include "plot/trajectoryplot.h"

#include "plot/discscatter.h"
#include "plot/trackgraph.h"
#include "plot/trajectory.h"

#include <qcustomplot.h>

namespace plot
{

namespace
{

constexpr int kTrackDotSize = 5;
constexpr int kCornerSize = 8;
constexpr int kFrontMarkSize = 12;

void add_title(QCustomPlot &plot)
{
    // Large and bold, as the operators are used to.
    const QFont base = plot.font();
    auto *title =
        new QCPTextElement(&plot, QStringLiteral("运动位置显示"),
                           QFont(base.family(), int(base.pointSize() * 1.5), QFont::Bold));
    title->setSelectedFont(QFont(base.family(), int(base.pointSize() * 1.6), QFont::Bold));
    title->setMargins(QMargins(5, 5, 5, 0));
    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(0, 0, title);
}

// A buffered layer of its own just under "main", so that a display frame
// that only adds dots or moves the robot redraws that layer alone, not the
// axes, their labels, the title or the tag map.
QCPLayer *add_own_layer(QCustomPlot &plot, const char *name)
{
    plot.addLayer(QString::fromLatin1(name), plot.layer(QStringLiteral("main")),
                  QCustomPlot::limBelow);
    QCPLayer *layer = plot.layer(QString::fromLatin1(name));
    layer->setMode(QCPLayer::lmBuffered);
    return layer;
}

void add_track_graph(QCustomPlot &plot)
{
    auto *track = new TrackGraph(plot.xAxis, plot.yAxis);
    track->setLayer(add_own_layer(plot, kTrackLayerName));
    track->setPen(QPen(Qt::green));
    track->setLineStyle(QCPGraph::lsNone);
    // Tens of thousands of dots: drawn as one pre-rendered disc each, which
    // looks like the library's own disc but costs a fraction to paint.
    track->setScatterStyle(disc_scatter(kTrackDotSize, QPen(Qt::green)));
    QCPSelectionDecorator *selected = track->selectionDecorator();
    selected->setScatterStyle(disc_scatter(kTrackDotSize, selected->pen()), QCPScatterStyle::spAll);
    track->setName(QStringLiteral("Measurement1"));
}

void add_outline_graph(QCustomPlot &plot, const QColor &colour, QCPGraph::LineStyle line,
                       QCPScatterStyle::ScatterShape shape, int size)
{
    QCPGraph *graph = plot.addGraph();
    graph->setLayer(plot.layer(QString::fromLatin1(kRobotLayerName)));
    graph->setPen(QPen(colour));
    graph->setLineStyle(line);
    graph->setScatterStyle(QCPScatterStyle(shape, size));
}

} // namespace

void setup_position_plot(QCustomPlot &plot)
{
    plot.setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables |
                         QCP::iSelectAxes | QCP::iSelectLegend);
    plot.axisRect()->setupFullAxesBox();
    add_title(plot);

    add_track_graph(plot);
    add_own_layer(plot, kRobotLayerName);
    for (int edge = 0; edge < 4; ++edge)
        add_outline_graph(plot, Qt::blue, QCPGraph::lsLine, QCPScatterStyle::ssSquare, kCornerSize);
    add_outline_graph(plot, Qt::red, QCPGraph::lsNone, QCPScatterStyle::ssPlusCircle,
                      kFrontMarkSize);

    show_outline(plot, robot_outline(0, 0, 0));
    plot.setSelectionTolerance(1);
    // The plot fills all of itself with its white background before its
    // layers, so the tab beneath need not be painted first at every frame.
    plot.setAttribute(Qt::WA_OpaquePaintEvent);
}

void show_outline(QCustomPlot &plot, const OutlineCorners &corners)
{
    for (int edge = 0; edge < 4; ++edge) {
        const int from = 2 * edge;
        const int to = 2 * ((edge + 1) % 4);
        QCPGraph *graph = plot.graph(1 + edge);
        graph->data()->clear();
        graph->addData(corners[from], corners[from + 1]);
        graph->addData(corners[to], corners[to + 1]);
    }
    QCPGraph *front = plot.graph(kFrontMarkGraph);
    front->data()->clear();
    front->addData((corners[0] + corners[2]) * 0.5, (corners[1] + corners[3]) * 0.5);
}

void append_to_track(QCustomPlot &plot, QVector<double> &xs, QVector<double> &ys, int capacity,
                     double x, double y)
{
    QCPGraph *graph = plot.graph(kTrackGraph);
    QCPGraphDataContainer &shown = *graph->data();
    const int stored = xs.size();
    const bool in_step = shown.size() == stored;
    store_track_point(xs, ys, capacity, shown, x, y);
    auto *track = dynamic_cast<TrackGraph *>(graph);
    if (!track)
        return;
    if (in_step && capacity > 0)
        track->points_added(x, y, stored + 1 - xs.size());
    else
        track->points_replaced();
}

void clear_track(QCustomPlot &plot)
{
    QCPGraph *graph = plot.graph(kTrackGraph);
    graph->data()->clear();
    if (auto *track = dynamic_cast<TrackGraph *>(graph))
        track->points_replaced();
}

QPointF robot_position(const QCustomPlot &plot)
{
    // The front and the back edge hold the four corners between them, in the
    // order of their keys.
    double x = 0;
    double y = 0;
    int corners = 0;
    for (int edge : {1, 3}) {
        const QCPGraphDataContainer &data = *plot.graph(edge)->data();
        for (auto it = data.constBegin(); it != data.constEnd(); ++it, ++corners) {
            x += it->key;
            y += it->value;
        }
    }
    if (corners == 0)
        return {};
    return {x / corners, y / corners};
}

} // namespace plot
