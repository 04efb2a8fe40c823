// The window under the camera's full stream: the real MainWindow, offscreen,
// reads position reports from a pseudo-terminal that a separate writer
// process fills on a fixed schedule. It starts from a full trajectory with
// the whole floor in view and a full receive log. Prints what it measured.
#include "app/mainwindow.h"
#include "app/pacedlog.h"
#include "app/plotmenu.h"
#include "app/tagmapview.h"
#include "floorpath.h"
#include "measures.h"
#include "plot/plotview.h"
#include "plot/renderpacer.h"
#include "plot/tagmap.h"
#include "protocol/reporttext.h"
#include "reportcount.h"
#include "session/sessionrecorder.h"
#include "ui_mainwindowform.h"
#include "writer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSerialPort>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace
{

struct Options {
    double rate = 523;
    double seconds = 60;
    double warmup = 0;
    long preload = 30000;
    long log_paragraphs = PacedLog::kMaxParagraphs;
    double speed_cm_per_s = 100;
    double code_list_every = 0;
    double error_every = 0;
    double timeline_every = 10;
    QString screenshot;
    bool follow = false;
    long tag_map = 0;
    QString tag_map_file;
    bool record = true;
    bool full_redraw = false;
    bool minimised = false;
    bool resize = false;
    bool coverage = false;
};

Options parse(int argc, char **argv)
{
    Options options;
    for (int k = 1; k + 1 < argc; k += 2) {
        const QString name = argv[k];
        const QString value = argv[k + 1];
        if (name == "--rate")
            options.rate = value.toDouble();
        else if (name == "--seconds")
            options.seconds = value.toDouble();
        else if (name == "--warmup")
            options.warmup = value.toDouble();
        else if (name == "--preload")
            options.preload = value.toLong();
        else if (name == "--log")
            options.log_paragraphs = value.toLong();
        else if (name == "--speed")
            options.speed_cm_per_s = value.toDouble();
        else if (name == "--code-list-every")
            options.code_list_every = value.toDouble();
        else if (name == "--error-every")
            options.error_every = value.toDouble();
        else if (name == "--timeline")
            options.timeline_every = value.toDouble();
        else if (name == "--screenshot")
            options.screenshot = value;
        else if (name == "--follow")
            options.follow = value.toInt() != 0;
        else if (name == "--tag-map")
            options.tag_map = value.toLong();
        else if (name == "--tag-map-file")
            options.tag_map_file = value;
        else if (name == "--record")
            options.record = value.toInt() != 0;
        else if (name == "--full-redraw")
            options.full_redraw = value.toInt() != 0;
        else if (name == "--minimised")
            options.minimised = value.toInt() != 0;
        else if (name == "--resize")
            options.resize = value.toInt() != 0;
        else if (name == "--coverage")
            options.coverage = value.toInt() != 0;
        else
            std::fprintf(stderr, "unknown option %s\n", argv[k]);
    }
    return options;
}

void close_next_message_box()
{
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
        else
            close_next_message_box();
    });
}

// What the plot shows: how many reports had been decoded when it was last
// rendered, and when a picture reached the widget.
struct PlotDisplay {
    long rendered_reports = 0;
    long renders = 0;
    long pose_mismatches = 0;
    std::vector<std::pair<int64_t, long>> paints; // time, reports shown
};

class PaintWatcher : public QObject
{
public:
    explicit PaintWatcher(PlotDisplay &display) : display(display) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            display.paints.emplace_back(monotonic_ns(), display.rendered_reports);
        return false;
    }

private:
    PlotDisplay &display;
};

// A table of `count` tags on a square grid over the floor, typed in as the
// operator would; prints how long the map took to appear on the plot.
// Waits for the map's next painting with at least `count` tags; returns how
// long that took.
double wait_for_map(MainWindow &window, int paintings_before, long count)
{
    QElapsedTimer clock;
    clock.start();
    plot::TagMap *map = window.tag_map_view->map();
    while (map->tags().size() < count || map->paintings() == paintings_before)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return double(clock.nsecsElapsed()) / 1e6;
}

// The operator's import, "导入" with its question and its file dialogue
// answered as soon as each is up.
void import_tag_map(MainWindow &window, const QString &path)
{
    std::function<void()> answer = [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            QAbstractButton *yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
            return;
        }
        QTimer::singleShot(0, answer);
    };
    QTimer::singleShot(0, answer);
    // As the operator does first, so that the whole sheet is read.
    window.ui->transportNum_edit->setText(QStringLiteral("20000"));
    window.ui->transportNum_Btn->click();
    const int paintings = window.tag_map_view->map()->paintings();
    QElapsedTimer clock;
    clock.start();
    window.ui->input_excel->click();
    const double import_ms = double(clock.nsecsElapsed()) / 1e6;
    long tags = 0;
    for (int row = 0; row < window.ui->tableWidget->rowCount(); ++row)
        tags += window.tag_record_from_row(row).has_value();
    const double map_ms = wait_for_map(window, paintings, tags);
    std::printf("tag map                 %ld tags imported from %s in %.1f ms, on the plot %.1f ms "
                "later\n",
                tags, qPrintable(QFileInfo(path).fileName()), import_ms, map_ms);
}

void fill_tag_map(MainWindow &window, long count)
{
    QTableWidget *table = window.ui->tableWidget;
    const long per_side = std::max(1L, long(std::ceil(std::sqrt(double(count)))));
    const double step = 1000.0 / double(per_side);
    QElapsedTimer clock;
    clock.start();
    for (long k = 0; k < count && k < table->rowCount(); ++k) {
        const QStringList cells{QString::number(k + 1),
                                QString::number(long((k % per_side) * step)),
                                QString::number(long((k / per_side) * step)), QStringLiteral("60"),
                                QString::number(k % 360)};
        for (int column = 0; column < 5; ++column)
            table->item(int(k), column)->setText(cells.at(column));
    }
    const double typed_ms = double(clock.nsecsElapsed()) / 1e6;
    plot::TagMap *map = window.tag_map_view->map();
    const double map_ms = wait_for_map(window, map->paintings(), count);
    std::printf("tag map                 %d tags on the plot %.1f ms after the table was filled "
                "(filling took %.1f ms)\n",
                int(map->tags().size()), map_ms, typed_ms);
}

// The state after a while of streaming: the trajectory full, the whole floor
// in view, the receive log at its bound, added and painted a display frame's
// worth at a time as the window does.
void fill_window(MainWindow &window, const Options &options, double speed_cm_per_report)
{
    for (long k = 0; k < options.preload; ++k) {
        const FloorPose pose = floor_pose(k, speed_cm_per_report);
        window.append_track_point(reported_x(pose), reported_y(pose));
    }
    QCustomPlot *plot = window.ui->robot_map;
    plot->xAxis->setRange(-50, 1050);
    plot->yAxis->setRange(-50, 1050);
    plot->replot();
    if (options.tag_map > 0)
        fill_tag_map(window, options.tag_map);
    if (!options.tag_map_file.isEmpty())
        import_tag_map(window, QFileInfo(options.tag_map_file).absoluteFilePath());

    auto *log = window.ui->com_message_edit->findChild<PacedLog *>();
    const long per_frame = std::max(1L, long(options.rate * PacedLog::kFrameMs / 1000));
    for (long k = 0; k < options.log_paragraphs; ++k) {
        log->append(protocol::hex_echo(position_report(floor_pose(k, speed_cm_per_report))));
        if ((k + 1) % per_frame == 0) {
            log->flush();
            QCoreApplication::processEvents();
        }
    }
    log->flush();

    // The mode-2 box at its bound too, with lines of the codes' shape.
    auto *codes = window.ui->modle2_msg_edit->findChild<PacedLog *>();
    for (long k = 0; k < options.log_paragraphs; ++k) {
        codes->append(protocol::code_list_line({int(1 + k % 400), -150.0f, 25.0f, 90.0f}));
        if ((k + 1) % 1000 == 0) {
            codes->flush();
            QCoreApplication::processEvents();
        }
    }
    codes->flush();
}

bool connect_window(MainWindow &window, const char *path)
{
    window.ui->SerialPortBox->addItem(path);
    window.ui->SerialPortBox->setCurrentText(path);
    close_next_message_box();
    window.ui->com_connectBtn->click();
    return window.serial->isOpen();
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parse(argc, argv);
    const long reports = long(options.rate * (options.warmup + options.seconds));
    const double speed_cm_per_report = options.speed_cm_per_s / options.rate;

    int master_fd = -1;
    int slave_fd = -1;
    char slave_path[256] = {};
    if (openpty(&master_fd, &slave_fd, slave_path, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(slave_fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_fd, TCSANOW, &raw);

    // The writer is forked before the application starts any thread.
    WriterShared *shared = create_writer_shared(reports);
    if (!shared)
        return 1;
    shared->rate = options.rate;
    shared->first_report = options.preload;
    shared->speed_cm_per_report = speed_cm_per_report;
    shared->code_list_every_s = options.code_list_every;
    shared->error_every_s = options.error_every;
    const pid_t writer = start_writer(master_fd, shared);
    if (writer < 0)
        return 1;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window records each connection under the data folder: one of the
    // bench's own, so that its sessions neither pile up nor meet others'.
    QTemporaryDir data_home;
    qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
    qInstallMessageHandler(count_debug_lines);
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    fill_window(window, options, speed_cm_per_report);
    if (!connect_window(window, slave_path)) {
        std::fprintf(stderr, "could not open %s\n", slave_path);
        kill(writer, SIGTERM);
        waitpid(writer, nullptr, 0);
        return 1;
    }
    // Without recording, what is left of it per read is the recorder's
    // check that it is idle.
    if (!options.record)
        window.recorder->stop();

    QCustomPlot *plot = window.ui->robot_map;
    // Every frame replots the whole plot and stamps every dot, as before
    // frames drew only what changed.
    window.render_pacer->set_full_redraw(options.full_redraw);
    // As "跟随机器人" does: every render recentres the view, the zoom stays.
    window.plot_menu->view().set_following(options.follow);
    if (options.minimised)
        window.showMinimized();
    // "地图验收" open: its figures refresh twice a second, unseen tags hollow.
    if (options.coverage)
        window.open_coverage_window();
    // A corner dragged to and fro for the whole run: a new size every 16 ms.
    QTimer resizer;
    QObject::connect(&resizer, &QTimer::timeout, [&window, step = 0]() mutable {
        const int phase = step++ % 120;
        const int grown = phase < 60 ? phase : 120 - phase;
        window.resize(1000 + 8 * grown, 700 + 4 * grown);
    });
    if (options.resize)
        resizer.start(16);
    PlotDisplay display;
    // The widget may be painted from inside the frame, so what a frame will
    // show is taken when it begins.
    QObject::connect(window.render_pacer, &plot::RenderPacer::frame_starts,
                     [&] { display.rendered_reports = decoded_reports; });
    QObject::connect(window.render_pacer, &plot::RenderPacer::frame_drawn, [&] {
        ++display.renders;
        if (decoded_reports > 0) {
            const FloorPose pose =
                floor_pose(options.preload + decoded_reports - 1, speed_cm_per_report);
            if (window.pos_x != reported_x(pose) || window.pos_y != reported_y(pose))
                ++display.pose_mismatches;
        }
    });
    PaintWatcher watcher(display);
    plot->installEventFilter(&watcher);

    // The event loop paints the whole window first; the writer starts 300 ms
    // later, and the figures after the warm-up.
    const int64_t wall_start = monotonic_ns() + 300000000;
    const int64_t measure_start = wall_start + int64_t(options.warmup * 1e9);
    shared->start_ns.store(wall_start);
    long rss_start_kb = 0;
    double cpu_start = 0;
    long renders_start = 0;
    QTimer::singleShot(int((measure_start - monotonic_ns()) / 1000000), [&] {
        rss_start_kb = peak_rss_kb();
        cpu_start = cpu_seconds();
        renders_start = display.renders;
    });
    QTimer timeline;
    QObject::connect(&timeline, &QTimer::timeout, [&] {
        std::printf("t=%3.0f s  resident %ld KB, peak %ld KB\n",
                    double(monotonic_ns() - wall_start) / 1e9, resident_kb(), peak_rss_kb());
    });
    timeline.start(int(options.timeline_every * 1000));

    // Runs until everything the writer sent has been shown, or two seconds
    // after its schedule ends.
    const int64_t give_up = wall_start + int64_t((options.warmup + options.seconds + 2) * 1e9);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        // A minimised window shows nothing; it is done when all is decoded.
        const bool all_shown = shared->sent.load() == reports &&
                               (options.minimised ? decoded_reports == reports
                                                  : !display.paints.empty() &&
                                                        display.paints.back().second == reports);
        if (all_shown || monotonic_ns() > give_up)
            app.quit();
    });
    check.start(20);
    app.exec();

    const double wall = double(monotonic_ns() - measure_start) / 1e9;
    const double cpu = cpu_seconds() - cpu_start;
    const long rss_end_kb = peak_rss_kb();
    const long resident_end_kb = resident_kb();
    const long sent = shared->sent.load();
    window.recorder->stop();
    const qint64 session_bytes =
        options.record ? QFileInfo(window.recorder->file_path()).size() : 0;
    kill(writer, SIGTERM);
    waitpid(writer, nullptr, 0);

    // Display lag of report k: from its write to the first paint that shows
    // it or a later pose. Counted for the reports written after the warm-up.
    std::vector<double> lag_ms;
    long never_shown = 0;
    size_t paint = 0;
    double writer_late_ms = 0;
    for (long k = 0; k < sent; ++k) {
        const int64_t written = shared->written_ns()[k];
        const double due = double(wall_start) + double(k) * 1e9 / options.rate;
        writer_late_ms = std::max(writer_late_ms, (double(written) - due) / 1e6);
        while (paint < display.paints.size() && display.paints[paint].second <= k)
            ++paint;
        if (paint == display.paints.size())
            ++never_shown;
        else if (written >= measure_start)
            lag_ms.push_back(double(display.paints[paint].first - written) / 1e6);
    }

    if (!options.screenshot.isEmpty())
        window.grab().save(options.screenshot);

    std::printf("stream_bench: %.0f reports/s for %.0f s after %.0f s warm-up, %.0f cm/s, "
                "preload %ld points, log %ld paragraphs, %s, %s, %s, %s, platform %s\n",
                options.rate, options.seconds, options.warmup, options.speed_cm_per_s,
                options.preload, options.log_paragraphs,
                options.minimised ? "minimised"
                : options.follow  ? "following the robot"
                : options.resize  ? "resized continuously"
                                  : "view fixed",
                options.record ? "recording" : "not recording",
                options.full_redraw ? "full redraw" : "drawing what changed",
                options.coverage ? "地图验收 open" : "地图验收 closed",
                qPrintable(QGuiApplication::platformName()));
    std::printf("reports sent            %ld (writer late by at most %.1f ms)\n", sent,
                writer_late_ms);
    std::printf("reports decoded         %ld (decoded/sent %.3f), %ld never shown\n",
                decoded_reports, sent ? double(decoded_reports) / double(sent) : 0.0, never_shown);
    std::printf("renders                 %ld (%.1f per s)\n", display.renders - renders_start,
                double(display.renders - renders_start) / wall);
    std::printf("pose mismatches         %ld\n", display.pose_mismatches);
    std::printf("trajectory points       %d stored, %d shown\n", int(window.track_x.size()),
                int(plot->graph(0)->data()->size()));
    std::printf("receive log             %d paragraphs, %d characters\n",
                window.ui->com_message_edit->document()->blockCount(),
                window.ui->com_message_edit->document()->characterCount());
    std::printf("mode-2 box              %d paragraphs\n",
                window.ui->modle2_msg_edit->document()->blockCount());
    std::printf("CPU per wall second     %.3f (%.2f s CPU in %.2f s)\n", cpu / wall, cpu, wall);
    std::printf("display lag             median %.1f ms, p99 %.1f ms, max %.1f ms\n",
                percentile(lag_ms, 0.5), percentile(lag_ms, 0.99), percentile(lag_ms, 1.0));
    std::printf("peak RSS                start %ld KB, end %ld KB (%+.1f %%); resident at end %ld "
                "KB\n",
                rss_start_kb, rss_end_kb,
                100.0 * double(rss_end_kb - rss_start_kb) / double(rss_start_kb), resident_end_kb);
    if (options.record) {
        const double streamed_s = double(sent) / options.rate;
        std::printf("session file            %lld bytes (%.1f MB per hour of this stream)\n",
                    static_cast<long long>(session_bytes),
                    double(session_bytes) / streamed_s * 3600 / 1e6);
    }
    return 0;
}
