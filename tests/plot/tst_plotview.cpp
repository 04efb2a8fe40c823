#include "app/plotimage.h"
#include "app/plotmenu.h"
#include "modal.h"
#include "plot/plotreader.h"
#include "plot/plotview.h"
#include "plot/renderpacer.h"
#include "plot/robotoutline.h"
#include "plot/trajectoryplot.h"

#include <QClipboard>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <qcustomplot.h>

namespace
{

using Points = QVector<QPointF>;

bool inside(const QCustomPlot &plot, const QPointF &point)
{
    return plot.xAxis->range().contains(point.x()) && plot.yAxis->range().contains(point.y());
}

QPoint pixel_of(const QCustomPlot &plot, double x, double y)
{
    return QPoint(int(plot.xAxis->coordToPixel(x)), int(plot.yAxis->coordToPixel(y)));
}

void send_mouse(QCustomPlot &plot, QEvent::Type type, const QPoint &at, Qt::MouseButton button,
                Qt::MouseButtons held, Qt::KeyboardModifiers modifiers)
{
    QMouseEvent event(type, QPointF(at), QPointF(plot.mapToGlobal(at)), button, held, modifiers);
    QApplication::sendEvent(&plot, &event);
}

} // namespace

class PlotViewTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fitShowsEverythingAtOneScale_data();
    void fitShowsEverythingAtOneScale();
    void menuOffersTheTagMapOnceItExists();
    void followingKeepsTheRobotInTheMiddleUntilADrag();
    void rulerMeasuresTheDragWithoutMovingTheView_data();
    void rulerMeasuresTheDragWithoutMovingTheView();
    void savesEachFormatWhole_data();
    void savesEachFormatWhole();
    void saveThatCannotBeWrittenTellsTheOperator();

private:
    QStringList menu_texts();
    void trigger(const QString &text);
    void add_track(const Points &points);

    std::unique_ptr<QCustomPlot> plot;
    PlotMenu *menu = nullptr;
};

void PlotViewTest::init()
{
    plot = std::make_unique<QCustomPlot>();
    plot->resize(600, 400);
    plot::setup_position_plot(*plot);
    menu = new PlotMenu(*plot);
    plot->show();
    QVERIFY(QTest::qWaitForWindowExposed(plot.get()));
    plot->replot();
}

void PlotViewTest::cleanup()
{
    plot.reset();
}

QStringList PlotViewTest::menu_texts()
{
    QStringList texts;
    QMenu *open = menu->open_menu(QPoint(50, 50));
    for (const QAction *action : open->actions())
        if (!action->isSeparator())
            texts << action->text();
    open->close();
    return texts;
}

// As the operator does it: a right click opens the menu, a click on the
// entry triggers it.
void PlotViewTest::trigger(const QString &text)
{
    const QPoint at(50, 50);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, plot->mapToGlobal(at));
    QApplication::sendEvent(plot.get(), &event);
    QPointer<QMenu> open = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(open);
    for (QAction *action : open->actions()) {
        if (action->text() == text) {
            // As a click does, the menu closes before the entry acts.
            open->close();
            action->trigger();
            return;
        }
    }
    open->close();
    QFAIL(qPrintable(QStringLiteral("no menu entry ") + text));
}

void PlotViewTest::add_track(const Points &points)
{
    for (const QPointF &point : points)
        plot->graph(plot::kTrackGraph)->addData(point.x(), point.y());
}

void PlotViewTest::fitShowsEverythingAtOneScale_data()
{
    QTest::addColumn<Points>("track");
    QTest::addColumn<QPointF>("robot");
    QTest::addColumn<Points>("tags");
    QTest::addColumn<bool>("double_click");
    QTest::newRow("wide floor") << Points{{0, 0}, {1000, 0}, {500, 50}} << QPointF(1000, 50)
                                << Points{} << false;
    QTest::newRow("tall floor, by double click")
        << Points{{0, -500}, {30, 500}} << QPointF(15, 0) << Points{} << true;
    QTest::newRow("robot away from the track")
        << Points{{0, 0}, {10, 10}} << QPointF(-400, 300) << Points{} << false;
    QTest::newRow("one point, far out")
        << Points{{5000, 5000}} << QPointF(5000, 5000) << Points{} << false;
    QTest::newRow("tag map beyond the track") << Points{{0, 0}, {100, 100}} << QPointF(50, 50)
                                              << Points{{-2000, -300}, {2000, 900}} << false;
}

void PlotViewTest::fitShowsEverythingAtOneScale()
{
    QFETCH(Points, track);
    QFETCH(QPointF, robot);
    QFETCH(Points, tags);
    QFETCH(bool, double_click);

    add_track(track);
    plot::show_outline(*plot, plot::robot_outline(float(robot.x()), float(robot.y()), 30));
    if (!tags.isEmpty()) {
        // The tag map is a plottable of its own kind on the layer "tags".
        plot->addLayer(QStringLiteral("tags"), plot->layer(QStringLiteral("main")),
                       QCustomPlot::limBelow);
        auto *map = new QCPCurve(plot->xAxis, plot->yAxis);
        map->setLayer(QStringLiteral("tags"));
        for (const QPointF &tag : tags)
            map->addData(tag.x(), tag.y());
    }
    plot->xAxis->setRange(-1, 1);
    plot->yAxis->setRange(-1, 1);

    if (double_click)
        QTest::mouseDClick(plot.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    else
        trigger(QStringLiteral("适应全部"));

    // Drawn as the operator sees it: the tick labels of the new ranges take
    // their room first.
    plot->replot();
    Points everything = track + tags;
    const plot::OutlineCorners corners =
        plot::robot_outline(float(robot.x()), float(robot.y()), 30);
    for (int k = 0; k < 8; k += 2)
        everything << QPointF(corners[k], corners[k + 1]);
    for (const QPointF &point : everything)
        QVERIFY2(inside(*plot, point),
                 qPrintable(QStringLiteral("%1, %2 out of view").arg(point.x()).arg(point.y())));
    const QRect pixels = plot->axisRect()->rect();
    QVERIFY(qAbs(plot->xAxis->range().size() / pixels.width() -
                 plot->yAxis->range().size() / pixels.height()) <
            1e-9 * plot->xAxis->range().size());
    // Snug: along one axis the content fills most of the view.
    double left = everything.first().x(), right = left;
    double bottom = everything.first().y(), top = bottom;
    for (const QPointF &point : everything) {
        left = qMin(left, point.x());
        right = qMax(right, point.x());
        bottom = qMin(bottom, point.y());
        top = qMax(top, point.y());
    }
    QVERIFY(qMax((right - left) / plot->xAxis->range().size(),
                 (top - bottom) / plot->yAxis->range().size()) > 0.85);
}

void PlotViewTest::menuOffersTheTagMapOnceItExists()
{
    const QStringList without_map = {QStringLiteral("适应全部"), QStringLiteral("跟随机器人"),
                                     QStringLiteral("保存图片…"), QStringLiteral("复制图片")};
    QCOMPARE(menu_texts(), without_map);

    plot->addLayer(QStringLiteral("tags"), plot->layer(QStringLiteral("main")),
                   QCustomPlot::limBelow);
    QStringList with_map = without_map;
    with_map.insert(2, QStringLiteral("显示标签地图"));
    QCOMPARE(menu_texts(), with_map);
    QVERIFY(plot->layer(QStringLiteral("tags"))->visible());
    trigger(QStringLiteral("显示标签地图"));
    QVERIFY(!plot->layer(QStringLiteral("tags"))->visible());
    trigger(QStringLiteral("显示标签地图"));
    QVERIFY(plot->layer(QStringLiteral("tags"))->visible());

    trigger(QStringLiteral("复制图片"));
    QCOMPARE(QGuiApplication::clipboard()->image().size(), plot->size());
}

void PlotViewTest::followingKeepsTheRobotInTheMiddleUntilADrag()
{
    plot->xAxis->setRange(0, 100);
    plot->yAxis->setRange(0, 50);
    trigger(QStringLiteral("跟随机器人"));
    QVERIFY(menu->view().following());

    // What a position report does: the outline moves, a render is asked for.
    plot::show_outline(*plot, plot::robot_outline(500, 300, 30));
    plot->replot(QCustomPlot::rpQueuedReplot);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(plot->xAxis->range().center() - 500) < 1e-6, 2000);
    QVERIFY(qAbs(plot->yAxis->range().center() - 300) < 1e-6);
    QVERIFY(qAbs(plot->xAxis->range().size() - 100) < 1e-9);
    QVERIFY(qAbs(plot->yAxis->range().size() - 50) < 1e-9);

    const QPoint middle(300, 200);
    send_mouse(*plot, QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton,
               Qt::NoModifier);
    send_mouse(*plot, QEvent::MouseMove, middle + QPoint(40, 0), Qt::NoButton, Qt::LeftButton,
               Qt::NoModifier);
    send_mouse(*plot, QEvent::MouseButtonRelease, middle + QPoint(40, 0), Qt::LeftButton,
               Qt::NoButton, Qt::NoModifier);
    QVERIFY(!menu->view().following());
    const QCPRange dragged = plot->xAxis->range();
    plot::show_outline(*plot, plot::robot_outline(900, 900, 0));
    plot->replot();
    QCOMPARE(plot->xAxis->range(), dragged);
}

void PlotViewTest::rulerMeasuresTheDragWithoutMovingTheView_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("by_escape");
    QTest::addColumn<QString>("label");
    QTest::newRow("up and right") << QPointF(10, 10) << QPointF(40, 50) << false
                                  << QStringLiteral("长度 50.0  角度 53.1°");
    QTest::newRow("down and left, ended by Escape")
        << QPointF(40, 50) << QPointF(10, 10) << true << QStringLiteral("长度 50.0  角度 233.1°");
    QTest::newRow("straight down")
        << QPointF(20, 80) << QPointF(20, 5) << false << QStringLiteral("长度 75.0  角度 270.0°");
}

void PlotViewTest::rulerMeasuresTheDragWithoutMovingTheView()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(bool, by_escape);
    QFETCH(QString, label);

    // One unit a pixel, so that whole units fall on whole pixels; fixed
    // margins keep the tick labels from moving the axis rect.
    plot->axisRect()->setAutoMargins(QCP::msNone);
    plot->axisRect()->setMargins(QMargins(40, 20, 20, 30));
    plot->replot();
    const QRect pixels = plot->axisRect()->rect();
    plot->xAxis->setRange(0, pixels.width());
    plot->yAxis->setRange(0, pixels.height());
    add_track({{15, 15}, {30, 30}});
    plot->replot();
    const QCPRange x_before = plot->xAxis->range();
    const QCPRange y_before = plot->yAxis->range();

    const QPoint press = pixel_of(*plot, from.x(), from.y());
    const QPoint pointer = pixel_of(*plot, to.x(), to.y());
    send_mouse(*plot, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton,
               Qt::ShiftModifier);
    send_mouse(*plot, QEvent::MouseMove, pointer, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    QVERIFY(menu->reader().ruler_shown());
    QCOMPARE(menu->reader().ruler_text(), label);
    QCOMPARE(menu->reader().readout_text(),
             QStringLiteral("x %1  y %2").arg(to.x(), 0, 'f', 1).arg(to.y(), 0, 'f', 1));

    if (by_escape) {
        QTest::keyClick(plot.get(), Qt::Key_Escape);
    } else {
        send_mouse(*plot, QEvent::MouseButtonRelease, pointer, Qt::LeftButton, Qt::NoButton,
                   Qt::ShiftModifier);
    }
    QVERIFY(!menu->reader().ruler_shown());
    QCOMPARE(plot->xAxis->range(), x_before);
    QCOMPARE(plot->yAxis->range(), y_before);
    QCOMPARE(plot->graph(plot::kTrackGraph)->data()->size(), 2);
    QVERIFY(plot->selectedPlottables().isEmpty());
}

void PlotViewTest::savesEachFormatWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("PNG") << "plot.png"
                         << "plot.png" << QByteArray("\x89PNG");
    QTest::newRow("PDF, suffix in capitals") << "plot.PDF"
                                             << "plot.PDF" << QByteArray("%PDF");
    QTest::newRow("SVG") << "plot.svg"
                         << "plot.svg" << QByteArray("<?xml");
    QTest::newRow("no suffix: PNG") << "plot"
                                    << "plot.png" << QByteArray("\x89PNG");
}

void PlotViewTest::savesEachFormatWhole()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(QByteArray, start);
    QTemporaryDir dir;
    add_track({{0, 0}, {1, 1}});
    QVERIFY(save_plot_image(*plot, dir.filePath(name)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});
    QFile file(dir.filePath(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(start));
    if (start == "\x89PNG")
        QCOMPARE(QImage::fromData(bytes).size(), plot->size());
    else if (start == "<?xml")
        QVERIFY(bytes.contains("<svg"));
}

void PlotViewTest::saveThatCannotBeWrittenTellsTheOperator()
{
    // Not even the superuser can create files here.
    const QString path = QStringLiteral("/proc/poscam_plot.pdf");
    SeenModal box;
    on_next_modal([&](QWidget *w) {
        on_next_modal([](QWidget *b) { static_cast<QDialog *>(b)->accept(); }, &box);
        auto *dialog = qobject_cast<QFileDialog *>(w);
        QVERIFY(dialog);
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
    trigger(QStringLiteral("保存图片…"));
    QTRY_VERIFY_WITH_TIMEOUT(box.seen, 5000);
    QCOMPARE(box.class_name, QStringLiteral("QMessageBox"));
    QCOMPARE(box.text, QStringLiteral("文件写入失败"));
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(PlotViewTest)
#include "tst_plotview.moc"
