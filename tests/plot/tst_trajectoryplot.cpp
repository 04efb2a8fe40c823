#include "plot/displaypacer.h"
#include "plot/renderpacer.h"
#include "plot/robotoutline.h"
#include "plot/trajectory.h"
#include "plot/trajectoryplot.h"

#include <QSignalSpy>
#include <QtTest>
#include <algorithm>

namespace
{

using Points = QVector<QPair<double, double>>;

Points sorted_points(const QVector<double> &xs, const QVector<double> &ys)
{
    Points points;
    for (int k = 0; k < xs.size(); ++k)
        points.append({xs.at(k), ys.at(k)});
    std::sort(points.begin(), points.end());
    return points;
}

Points sorted_points(const QCPGraphDataContainer &data)
{
    Points points;
    for (auto it = data.constBegin(); it != data.constEnd(); ++it)
        points.append({it->key, it->value});
    std::sort(points.begin(), points.end());
    return points;
}

struct Dot {
    double x = 0;
    double y = 0;
    double area = 0;
};

// Where the dot drawn for (key, value) lies, and how much green it has, in a
// plot drawing green dots with `style`.
QVector<Dot> rendered_dots(const QCPScatterStyle &style, const Points &points)
{
    QCustomPlot plot;
    plot.resize(300, 300);
    plot.xAxis->grid()->setVisible(false);
    plot.yAxis->grid()->setVisible(false);
    plot.xAxis->setRange(-1, 9);
    plot.yAxis->setRange(-1, 9);
    QCPGraph *graph = plot.addGraph();
    graph->setPen(QPen(Qt::green));
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setScatterStyle(style);
    for (const auto &point : points)
        graph->addData(point.first, point.second);
    const QImage image = plot.toPixmap(300, 300).toImage();
    QVector<Dot> dots;
    for (const auto &point : points) {
        const double px = plot.xAxis->coordToPixel(point.first);
        const double py = plot.yAxis->coordToPixel(point.second);
        Dot dot;
        double sx = 0, sy = 0;
        for (int y = int(py) - 6; y <= int(py) + 6; ++y) {
            for (int x = int(px) - 6; x <= int(px) + 6; ++x) {
                const QRgb rgb = image.pixel(x, y);
                const double green = qGreen(rgb) > 200 ? (510 - qRed(rgb) - qBlue(rgb)) / 510.0 : 0;
                dot.area += green;
                sx += green * (x + 0.5);
                sy += green * (y + 0.5);
            }
        }
        dot.x = sx / dot.area - px;
        dot.y = sy / dot.area - py;
        dots << dot;
    }
    return dots;
}

Points graph_points(QCustomPlot &plot, int graph)
{
    return sorted_points(*plot.graph(graph)->data());
}

} // namespace

class TrajectoryPlotTest : public QObject
{
    Q_OBJECT

private slots:
    void setUpPlotShowsTitleGraphsAndStartOutline();
    void outlineTurnsWithThePose_data();
    void outlineTurnsWithThePose();
    void fullTrajectoryDropsOldestAndKeepsNewest();
    void graphShowsExactlyTheStoredPoints();
    void removingAPointLeavesOthersWithTheSameX();
    void rendersAtMostOncePerFrame();
    void trackDotsLookLikeTheLibrarysDiscs();
};

void TrajectoryPlotTest::setUpPlotShowsTitleGraphsAndStartOutline()
{
    QCustomPlot plot;
    plot::setup_position_plot(plot);

    auto *title = qobject_cast<QCPTextElement *>(plot.plotLayout()->element(0, 0));
    QVERIFY(title);
    QCOMPARE(title->text(), QString("运动位置显示"));
    QCOMPARE(int(plot.interactions()), 0x3B);
    QCOMPARE(plot.selectionTolerance(), 1);
    QVERIFY(plot.xAxis2->visible());
    QVERIFY(!plot.xAxis2->tickLabels());

    QCOMPARE(plot.graphCount(), 6);
    QCPGraph *track = plot.graph(plot::kTrackGraph);
    QCOMPARE(track->pen().color(), QColor(Qt::green));
    QCOMPARE(track->lineStyle(), QCPGraph::lsNone);
    QCOMPARE(track->name(), QString("Measurement1"));
    QVERIFY(track->data()->isEmpty());
    for (int edge = 1; edge <= 4; ++edge) {
        QCOMPARE(plot.graph(edge)->pen().color(), QColor(Qt::blue));
        QCOMPARE(plot.graph(edge)->lineStyle(), QCPGraph::lsLine);
        QCOMPARE(plot.graph(edge)->scatterStyle().shape(), QCPScatterStyle::ssSquare);
        QCOMPARE(plot.graph(edge)->scatterStyle().size(), 8.0);
    }
    QCPGraph *front = plot.graph(plot::kFrontMarkGraph);
    QCOMPARE(front->pen().color(), QColor(Qt::red));
    QCOMPARE(front->lineStyle(), QCPGraph::lsNone);
    QCOMPARE(front->scatterStyle().shape(), QCPScatterStyle::ssPlusCircle);
    QCOMPARE(front->scatterStyle().size(), 12.0);

    QCOMPARE(graph_points(plot, 1), Points({{-6, 12}, {6, 12}}));
    QCOMPARE(graph_points(plot, 2), Points({{6, -12}, {6, 12}}));
    QCOMPARE(graph_points(plot, 3), Points({{-6, -12}, {6, -12}}));
    QCOMPARE(graph_points(plot, 4), Points({{-6, -12}, {-6, 12}}));
    QCOMPARE(graph_points(plot, 5), Points({{0, 12}}));
}

void TrajectoryPlotTest::outlineTurnsWithThePose_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("angle");
    QTest::addColumn<QVector<double>>("corners");
    QTest::newRow("origin, front to +y")
        << 0.0f << 0.0f << 0.0f << QVector<double>{-6, 12, 6, 12, 6, -12, -6, -12};
    QTest::newRow("quarter turn counter-clockwise")
        << 10.0f << 20.0f << 90.0f << QVector<double>{-2, 14, -2, 26, 22, 26, 22, 14};
    QTest::newRow("half turn") << 100.0f << -50.0f << 180.0f
                               << QVector<double>{106, -62, 94, -62, 94, -38, 106, -38};
    QTest::newRow("quarter turn clockwise")
        << 0.0f << 0.0f << -90.0f << QVector<double>{12, 6, 12, -6, -12, -6, -12, 6};
}

void TrajectoryPlotTest::outlineTurnsWithThePose()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, angle);
    QFETCH(QVector<double>, corners);
    const plot::OutlineCorners outline = plot::robot_outline(x, y, angle);
    for (int k = 0; k < 8; ++k)
        QVERIFY2(qAbs(outline[k] - corners.at(k)) < 1e-4,
                 qPrintable(QString("corner value %1: %2").arg(k).arg(outline[k])));

    QCustomPlot plot;
    plot::setup_position_plot(plot);
    plot::show_outline(plot, outline);
    QCOMPARE(graph_points(plot, 1),
             sorted_points({outline[0], outline[2]}, {outline[1], outline[3]}));
    QCOMPARE(graph_points(plot, 4),
             sorted_points({outline[6], outline[0]}, {outline[7], outline[1]}));
    const QCPGraphData front = *plot.graph(plot::kFrontMarkGraph)->data()->constBegin();
    QVERIFY(qAbs(front.key - (corners.at(0) + corners.at(2)) / 2) < 1e-4);
    QVERIFY(qAbs(front.value - (corners.at(1) + corners.at(3)) / 2) < 1e-4);
}

void TrajectoryPlotTest::fullTrajectoryDropsOldestAndKeepsNewest()
{
    QVector<double> xs, ys;
    QCPGraphDataContainer shown;
    for (int k = 1; k <= 5; ++k)
        plot::store_track_point(xs, ys, 3, shown, k, 10 * k);
    QCOMPARE(xs, QVector<double>({3, 4, 5}));
    QCOMPARE(ys, QVector<double>({30, 40, 50}));
    // Every report enters the trajectory, not every second one.
    plot::store_track_point(xs, ys, 3, shown, 6, 60);
    QCOMPARE(xs, QVector<double>({4, 5, 6}));
    QCOMPARE(sorted_points(shown), sorted_points(xs, ys));
}

void TrajectoryPlotTest::graphShowsExactlyTheStoredPoints()
{
    // A robot driving along a lane repeats x values; the graph must lose the
    // oldest point, not another one with the same x that sorts before it.
    QVector<double> xs, ys;
    QCPGraphDataContainer shown;
    const double path[][2] = {{1, 0}, {9, 0}, {5, 1}, {5, 2}, {7, 7}, {8, 8}, {6, 6}, {5, 3}};
    for (const auto &point : path) {
        plot::store_track_point(xs, ys, 4, shown, point[0], point[1]);
        QCOMPARE(sorted_points(shown), sorted_points(xs, ys));
        QVERIFY(
            std::is_sorted(shown.constBegin(), shown.constEnd(), qcpLessThanSortKey<QCPGraphData>));
    }
    QCOMPARE(xs, QVector<double>({7, 8, 6, 5}));
    QCOMPARE(ys, QVector<double>({7, 8, 6, 3}));
}

void TrajectoryPlotTest::removingAPointLeavesOthersWithTheSameX()
{
    QCPGraphDataContainer data;
    for (double value : {5.0, 6.0, 7.0})
        data.add(QCPGraphData(1, value));
    data.add(QCPGraphData(0, 6));
    data.add(QCPGraphData(2, 6));
    QVERIFY(plot::remove_point(data, 1, 6));
    QCOMPARE(sorted_points(data), Points({{0, 6}, {1, 5}, {1, 7}, {2, 6}}));
    QVERIFY(!plot::remove_point(data, 1, 6));
    QVERIFY(!plot::remove_point(data, 3, 6));
    QCOMPARE(data.size(), 4);
}

void TrajectoryPlotTest::rendersAtMostOncePerFrame()
{
    QCustomPlot plot;
    plot::setup_position_plot(plot);
    plot::RenderPacer pacer(plot);
    QSignalSpy replots(&plot, &QCustomPlot::afterReplot);
    QSignalSpy renders(&pacer, &plot::RenderPacer::frame_drawn);
    // Only a plot that can be seen is rendered; the library draws a new or
    // resized plot by itself.
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QTRY_VERIFY(replots.count() >= 1);
    QCOMPARE(renders.count(), 0);

    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < 5; ++k)
        pacer.request();
    QTRY_COMPARE(renders.count(), 1);
    const qint64 first = clock.elapsed();
    QCoreApplication::processEvents();
    QCOMPARE(renders.count(), 1);

    // The next render waits out the frame; requests meanwhile join it.
    pacer.request();
    pacer.request();
    QTRY_COMPARE(renders.count(), 2);
    // Timers may fire up to 5 % early.
    QVERIFY(clock.elapsed() - first >= DisplayPacer::kFrameMs * 95 / 100);
    QCoreApplication::processEvents();
    QCOMPARE(renders.count(), 2);
}

void TrajectoryPlotTest::trackDotsLookLikeTheLibrarysDiscs()
{
    QCustomPlot plot;
    plot::setup_position_plot(plot);
    const QCPScatterStyle track_style = plot.graph(plot::kTrackGraph)->scatterStyle();
    Points points;
    for (int k = 0; k < 12; ++k)
        points.append({k * 0.73, (k % 4) * 0.9 + k * 0.11});
    const QVector<Dot> discs = rendered_dots(QCPScatterStyle(QCPScatterStyle::ssDisc, 5), points);
    const QVector<Dot> dots = rendered_dots(track_style, points);
    for (int k = 0; k < points.size(); ++k) {
        // Stamped whole pixels: within half a pixel of the disc's place.
        QVERIFY(qAbs(dots[k].x - discs[k].x) <= 0.55);
        QVERIFY(qAbs(dots[k].y - discs[k].y) <= 0.55);
        QVERIFY(qAbs(dots[k].area - discs[k].area) <= 0.1 * discs[k].area);
    }
}

QTEST_MAIN(TrajectoryPlotTest)
#include "tst_trajectoryplot.moc"
