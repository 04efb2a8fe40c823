#include "plot/plotview.h"
#include "plot/renderpacer.h"
#include "plot/robotoutline.h"
#include "plot/tagmap.h"
#include "plot/trackgraph.h"
#include "plot/trajectoryplot.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <qcustomplot.h>

namespace
{

constexpr int kCapacity = 600;

// A robot driving lanes 8 units apart across a 100 × 100 floor.
QPointF lane_point(int k)
{
    const double along = std::fmod(k * 0.9, 100.0);
    const int lane = int(k * 0.9 / 100.0) % 12;
    return {lane % 2 ? 100 - along : along, 4 + 8 * lane + std::sin(k * 0.05)};
}

// Pixels that differ by more than the rounding of blending in another order.
int differing_pixels(const QImage &shown, const QImage &fresh)
{
    const QImage a = shown.convertToFormat(QImage::Format_ARGB32);
    const QImage b = fresh.convertToFormat(QImage::Format_ARGB32);
    if (a.size() != b.size())
        return -1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *row_a = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *row_b = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = row_a[x];
            const QRgb q = row_b[x];
            if (qAbs(qRed(p) - qRed(q)) > 6 || qAbs(qGreen(p) - qGreen(q)) > 6 ||
                qAbs(qBlue(p) - qBlue(q)) > 6 || qAbs(qAlpha(p) - qAlpha(q)) > 6)
                ++differing;
        }
    }
    return differing;
}

// Counts renders until the first painting of the plot, from before the
// pacer's own look at the paintings.
class FirstPaint : public QObject
{
public:
    QSignalSpy *renders = nullptr;
    int renders_at_first_paint = -2;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && renders_at_first_paint == -1)
            renders_at_first_paint = renders->count();
        return false;
    }
};

} // namespace

class TrackPictureTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pictureEqualsAFreshDrawingAfterTheTrajectorySlides();
    void pictureFollowsADragAndTheRobotByShifting();
    void hiddenPlotRendersNothingAndIsRightWhenShownAgain();

private:
    void drive(int reports, int per_frame);
    void wait_frame();
    plot::TrackGraph *track() const
    {
        return dynamic_cast<plot::TrackGraph *>(plot->graph(plot::kTrackGraph));
    }
    // The plot as painted on screen against the same plot drawn anew.
    int differing_from_fresh()
    {
        // Only the axis rect: outside it the library draws cached labels
        // on screen and fresh text into a pixmap.
        const QRect dots = plot->axisRect()->rect();
        const QImage shown = plot->grab().toImage().copy(dots);
        const QImage fresh = plot->toPixmap().toImage().copy(dots);
        return differing_pixels(shown, fresh);
    }

    std::unique_ptr<QCustomPlot> plot;
    plot::RenderPacer *pacer = nullptr;
    std::unique_ptr<QSignalSpy> frames;
    QVector<double> xs;
    QVector<double> ys;
    int next_report = 0;
};

void TrackPictureTest::init()
{
    plot = std::make_unique<QCustomPlot>();
    plot->resize(600, 450);
    plot::setup_position_plot(*plot);
    pacer = new plot::RenderPacer(*plot);
    frames = std::make_unique<QSignalSpy>(pacer, &plot::RenderPacer::frame_drawn);
    plot->xAxis->setRange(-5, 105);
    plot->yAxis->setRange(-5, 105);
    plot->show();
    QVERIFY(QTest::qWaitForWindowExposed(plot.get()));
    plot->replot();
    xs.clear();
    ys.clear();
    next_report = 0;
}

void TrackPictureTest::cleanup()
{
    frames.reset();
    plot.reset();
}

void TrackPictureTest::wait_frame()
{
    const int before = frames->count();
    pacer->request();
    QTRY_VERIFY(frames->count() > before);
}

// What position reports do: the outline moves, the point is stored, a frame
// is asked for; `per_frame` reports arrive within one display frame.
void TrackPictureTest::drive(int reports, int per_frame)
{
    for (int k = 0; k < reports; ++k, ++next_report) {
        const QPointF at = lane_point(next_report);
        plot::show_outline(*plot, plot::robot_outline(float(at.x()), float(at.y()), 0));
        plot::append_to_track(*plot, xs, ys, kCapacity, at.x(), at.y());
        if ((k + 1) % per_frame == 0)
            wait_frame();
    }
    wait_frame();
}

void TrackPictureTest::pictureEqualsAFreshDrawingAfterTheTrajectorySlides()
{
    drive(kCapacity, 17);
    QCOMPARE(plot->graph(plot::kTrackGraph)->data()->size(), kCapacity);
    const int full_after_filling = track()->full_paintings();
    QCOMPARE(differing_from_fresh(), 0);

    // The oldest points leave: gone from the screen within a second, whether
    // or not more reports arrive.
    drive(250, 17);
    QCOMPARE(plot->graph(plot::kTrackGraph)->data()->size(), kCapacity);
    QTRY_VERIFY_WITH_TIMEOUT(!track()->shows_dropped_points(), 3000);
    // Adding dots does not paint every dot again.
    QVERIFY(track()->full_paintings() - full_after_filling <= 3);
    QCOMPARE(differing_from_fresh(), 0);
}

void TrackPictureTest::pictureFollowsADragAndTheRobotByShifting()
{
    // Tick labels of another width would resize the axis rect, which is
    // painted anew; this is about the moves alone.
    plot->axisRect()->setAutoMargins(QCP::msNone);
    plot->axisRect()->setMargins(QMargins(50, 10, 10, 40));
    drive(400, 17);

    const int full_before = track()->full_paintings();

    // A report not yet drawn, just right of the view, where the drag below
    // brings it into view.
    const QRect rect = plot->axisRect()->rect();
    const QPointF beyond(plot->xAxis->pixelToCoord(rect.right() + 15),
                         plot->yAxis->pixelToCoord(rect.center().y()));
    plot::append_to_track(*plot, xs, ys, kCapacity, beyond.x(), beyond.y());
    // The operator drags the view 37 pixels left and 21 up.
    const QPoint from = rect.center();
    const QPoint to = from + QPoint(-37, -21);
    QTest::mousePress(plot.get(), Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(plot->mapToGlobal(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot.get(), &move);
    QTest::mouseRelease(plot.get(), Qt::LeftButton, Qt::NoModifier, to);
    drive(30, 17);
    QCOMPARE(differing_from_fresh(), 0);
    QCOMPARE(track()->full_paintings(), full_before);

    // The tag map under the trajectory moves with it. Only from here: with
    // Qt 6, the drag above leaves one square of a shifted map a pixel off.
    QVector<plot::MapTag> tags;
    for (int k = 0; k < 441; ++k) {
        plot::MapTag tag;
        tag.row = k;
        tag.values = {k + 1, 5 * (k % 21), 5 * (k / 21), 20, 7 * k % 360};
        tags.append(tag);
    }
    plot::add_tag_map(*plot)->set_tags(tags);
    // Zoomed in and following: every frame moves the view.
    plot->xAxis->setRange(30, 70);
    plot->yAxis->setRange(0, 30);
    plot::PlotView view(*plot);
    pacer->set_before_frame([&view] { view.follow_robot(); });
    view.set_following(true);
    drive(17, 17);
    const int full_following = track()->full_paintings();
    const QCPRange x_before = plot->xAxis->range();
    drive(200, 17);
    QVERIFY(plot->xAxis->range().center() != x_before.center());
    QCOMPARE(differing_from_fresh(), 0);
    // Moved pictures are shifted, not painted whole.
    QCOMPARE(track()->full_paintings(), full_following);
}

void TrackPictureTest::hiddenPlotRendersNothingAndIsRightWhenShownAgain()
{
    // Filters run last installed first: this one must see the paintings
    // after the pacer has.
    FirstPaint first;
    delete pacer;
    plot->installEventFilter(&first);
    pacer = new plot::RenderPacer(*plot);
    frames = std::make_unique<QSignalSpy>(pacer, &plot::RenderPacer::frame_drawn);
    first.renders = frames.get();

    drive(300, 17);
    QSignalSpy replots(plot.get(), &QCustomPlot::afterReplot);
    plot->showMinimized();
    QCoreApplication::processEvents();
    const int frames_before = frames->count();
    for (int k = 0; k < 200; ++k, ++next_report) {
        const QPointF at = lane_point(next_report);
        plot::show_outline(*plot, plot::robot_outline(float(at.x()), float(at.y()), 0));
        plot::append_to_track(*plot, xs, ys, kCapacity, at.x(), at.y());
        pacer->request();
        if (k % 17 == 0)
            QTest::qWait(40);
    }
    QTest::qWait(100);
    QCOMPARE(frames->count(), frames_before);
    QCOMPARE(replots.count(), 0);
    // Stored all the same.
    QCOMPARE(plot->graph(plot::kTrackGraph)->data()->size(), 500);

    first.renders_at_first_paint = -1;
    plot->showNormal();
    QTRY_VERIFY(first.renders_at_first_paint >= 0);
    QVERIFY(first.renders_at_first_paint > frames_before);
    plot->removeEventFilter(&first);
    QCOMPARE(differing_from_fresh(), 0);
}

QTEST_MAIN(TrackPictureTest)
#include "tst_trackpicture.moc"
