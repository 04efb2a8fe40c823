// The window on a line that misbehaves, measured from outside: a separate
// process plays the far end of a pseudo-terminal.
//
// flood: bytes that hold no frame at --rate bytes a second for --seconds (a
// peer far faster than the camera), then one position report. Measures the
// longest stall of the window's event loop during the flood, when the report
// is decoded and shown, and how resident memory grows.
//
// loss: position reports for a second, then the far end closes (an adapter
// unplugged). Measures the window's CPU use for --seconds from the loss on.
//
// idle: the same window with no port ever opened, for comparison: its port
// list is refreshed every second whether or not a port is open.
//
// return: the window opens the pseudo-terminal under a link, as a device
// node stands for an adapter; the far end closes, and a second later a new
// pseudo-terminal takes the link's place. Measures how long after that the
// window has the port open again by itself.
#include "app/mainwindow.h"
#include "camera/reportframes.h"
#include "measures.h"
#include "ui_mainwindowform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <pty.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace
{

struct Shared {
    std::atomic<int64_t> start_ns{0};
    std::atomic<int64_t> last_write_ns{0}; // just before the report's write, or the close
    std::atomic<long> noise_bytes{0};
};

// x = 123.4 cm, y = 56.7 cm, rotation 8.9 degrees.
const QByteArray kReport = camera::position_report({1234, 567, 89, 0, 0});

// Noise: every byte below 0xFE, so no marker can form. Written every 10 ms,
// so the line carries `rate` bytes a second as evenly as a driver would.
[[noreturn]] void run_flood(int master_fd, Shared *shared, double rate, double seconds)
{
    while (shared->start_ns.load() == 0)
        usleep(1000);
    const int64_t start = shared->start_ns.load();
    const long total = long(rate * seconds);
    QByteArray chunk;
    uint32_t seed = 12345;
    long sent = 0;
    for (long tick = 1; sent < total; ++tick) {
        sleep_until(start + tick * 10000000);
        const long due = std::min(total, long(rate * double(tick) / 100.0));
        chunk.resize(int(due - sent));
        for (char &byte : chunk) {
            seed = seed * 1664525u + 1013904223u;
            byte = char((seed >> 24) % 0xFE);
        }
        if (!write_all(master_fd, chunk.constData(), size_t(chunk.size())))
            _exit(1);
        sent = due;
        shared->noise_bytes.store(sent);
    }
    // Timed from the start of the write: the window may decode the report
    // before this process is scheduled again.
    shared->last_write_ns.store(monotonic_ns());
    write_all(master_fd, kReport.constData(), size_t(kReport.size()));
    pause();
    _exit(0);
}

[[noreturn]] void run_loss(int master_fd, Shared *shared)
{
    while (shared->start_ns.load() == 0)
        usleep(1000);
    const int64_t start = shared->start_ns.load();
    for (int k = 0; k < 523; ++k) {
        sleep_until(start + int64_t(k) * 1000000000 / 523);
        write_all(master_fd, kReport.constData(), size_t(kReport.size()));
    }
    shared->last_write_ns.store(monotonic_ns());
    ::close(master_fd);
    pause();
    _exit(0);
}

// The link is replaced in one rename, so the window never sees it missing.
[[noreturn]] void run_return(int master_fd, Shared *shared, const QByteArray &link)
{
    while (shared->start_ns.load() == 0)
        usleep(1000);
    const int64_t start = shared->start_ns.load();
    sleep_until(start + 200000000);
    write_all(master_fd, kReport.constData(), size_t(kReport.size()));
    ::close(master_fd);
    sleep_until(start + 1200000000);
    int slave_fd = -1;
    char slave_path[256] = {};
    if (openpty(&master_fd, &slave_fd, slave_path, nullptr, nullptr) != 0)
        _exit(1);
    ::close(slave_fd);
    const QByteArray next = link + ".next";
    if (symlink(slave_path, next.constData()) != 0 || rename(next.constData(), link.constData()))
        _exit(1);
    shared->last_write_ns.store(monotonic_ns());
    pause();
    _exit(0);
}

// Paints of a widget, to tell when a value reached the screen.
class PaintClock : public QObject
{
public:
    int64_t first_after = 0;
    bool armed = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (armed && event->type() == QEvent::Paint && first_after == 0)
            first_after = monotonic_ns();
        return false;
    }
};

PaintClock *read_out_paints = nullptr;
long decoded_reports = 0;
int64_t first_decode_ns = 0;

void count_debug_lines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg) {
        if (decoded_reports++ == 0) {
            first_decode_ns = monotonic_ns();
            // The next paint of the position field shows it.
            if (read_out_paints)
                read_out_paints->armed = true;
        }
    } else if (type != QtInfoMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// Answers every message box as soon as it is up, noting when the first came.
int64_t first_box_ns = 0;
QString first_box_text;
void answer_message_boxes()
{
    QTimer::singleShot(20, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (first_box_ns == 0 && box->windowTitle() == QStringLiteral("错误")) {
                first_box_ns = monotonic_ns();
                first_box_text = box->text();
            }
            box->button(QMessageBox::Ok)->click();
        }
        // After the warning of a loss nothing more is expected; polling on
        // would be charged to the window.
        if (first_box_ns == 0)
            answer_message_boxes();
    });
}

} // namespace

int main(int argc, char **argv)
{
    const QString mode = argc > 1 ? argv[1] : "";
    double rate = 1000000;
    double seconds = 10;
    for (int k = 2; k + 1 < argc; k += 2) {
        if (QString(argv[k]) == "--rate")
            rate = QString(argv[k + 1]).toDouble();
        else if (QString(argv[k]) == "--seconds")
            seconds = QString(argv[k + 1]).toDouble();
    }
    if (mode != "flood" && mode != "loss" && mode != "idle" && mode != "return") {
        std::fprintf(stderr,
                     "usage: line_bench flood|loss|idle|return [--rate B/s] [--seconds S]\n");
        return 2;
    }

    int master_fd = -1;
    int slave_fd = -1;
    char slave_path[256] = {};
    if (openpty(&master_fd, &slave_fd, slave_path, nullptr, nullptr) != 0)
        return 1;
    termios raw{};
    tcgetattr(slave_fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_fd, TCSANOW, &raw);
    ::close(slave_fd);
    const QByteArray link = QByteArray("/tmp/poscam-line-bench-") + QByteArray::number(getpid());
    if (mode == "return" && symlink(slave_path, link.constData()) != 0)
        return 1;

    auto *shared = new (mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE,
                             MAP_SHARED | MAP_ANONYMOUS, -1, 0)) Shared;
    const pid_t writer = fork();
    if (writer == 0) {
        if (mode == "flood")
            run_flood(master_fd, shared, rate, seconds);
        if (mode == "loss")
            run_loss(master_fd, shared);
        if (mode == "return")
            run_return(master_fd, shared, link);
        pause();
        _exit(0);
    }
    // Only the writer holds the far end, so its close is a hang-up.
    ::close(master_fd);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(count_debug_lines);
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    // The idle window shows no box; polling for one would be charged to it.
    if (mode != "idle")
        answer_message_boxes();
    const QString port_name = mode == "return" ? QString(link) : QString(slave_path);
    window.ui->SerialPortBox->addItem(port_name);
    window.ui->SerialPortBox->setCurrentText(port_name);
    if (mode != "idle")
        window.ui->com_connectBtn->click();
    if (mode != "idle" && !window.serial->isOpen()) {
        std::fprintf(stderr, "could not open %s\n", slave_path);
        kill(writer, SIGKILL);
        return 1;
    }

    // A 5 ms timer: the longest gap between two of its ticks, less 5 ms, is
    // the longest the event loop was kept from its queue.
    QElapsedTimer since_tick;
    double longest_stall_ms = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    // The machine may be shared: the CPU the window used within its longest
    // stall tells a stall of its own from time it was not scheduled.
    double cpu_at_tick = 0;
    double cpu_in_longest_stall_ms = 0;
    long stalls_over_50_ms = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double cpu = cpu_seconds();
        if (since_tick.isValid()) {
            const double stall_ms = since_tick.nsecsElapsed() / 1e6 - 5;
            stalls_over_50_ms += stall_ms > 50;
            if (stall_ms > longest_stall_ms) {
                longest_stall_ms = stall_ms;
                cpu_in_longest_stall_ms = (cpu - cpu_at_tick) * 1000;
            }
        }
        cpu_at_tick = cpu;
        since_tick.start();
    });

    PaintClock shown;
    window.ui->current_loc_edit->installEventFilter(&shown);
    read_out_paints = &shown;
    const long resident_start_kb = resident_kb();
    long resident_max_kb = resident_start_kb;
    const int64_t start = monotonic_ns() + 300000000;
    shared->start_ns.store(start);
    double cpu_at_loss = -1;
    int64_t loss_ns = 0;
    int exit_code = 0;

    // return: the moment the port is open again, to the millisecond.
    int64_t reopened_ns = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        if (mode != "idle")
            resident_max_kb = std::max(resident_max_kb, resident_kb());
        const int64_t now = monotonic_ns();
        if (mode == "flood") {
            if (now >= start && !ticker.isActive())
                ticker.start(5);
            const bool done = shown.first_after != 0;
            if (done || now > start + int64_t((seconds + 30) * 1e9))
                app.quit();
        } else if (mode == "return") {
            if (reopened_ns != 0 || now > start + int64_t(15e9))
                app.quit();
        } else if (mode == "idle") {
            if (cpu_at_loss < 0 && now > start + 1000000000) {
                cpu_at_loss = cpu_seconds();
                loss_ns = now;
            }
            if (cpu_at_loss >= 0 && now > loss_ns + int64_t(seconds * 1e9))
                app.quit();
        } else {
            if (cpu_at_loss < 0 && !window.serial->isOpen() && first_box_ns != 0) {
                cpu_at_loss = cpu_seconds();
                loss_ns = now;
            }
            if (cpu_at_loss >= 0 && now > loss_ns + int64_t(seconds * 1e9))
                app.quit();
            if (now > start + int64_t((seconds + 30) * 1e9))
                app.quit();
        }
    });
    // Idle, the sampling itself would be a tenth of what is measured.
    sample.start(mode == "idle" ? 1000 : 100);
    QTimer reopen_poll;
    QObject::connect(&reopen_poll, &QTimer::timeout, [&] {
        if (reopened_ns == 0 && shared->last_write_ns.load() != 0 && window.serial->isOpen())
            reopened_ns = monotonic_ns();
    });
    if (mode == "return")
        reopen_poll.start(1);
    app.exec();
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);

    if (mode == "flood") {
        const int64_t report_ns = shared->last_write_ns.load();
        std::printf("line_bench flood: %.0f bytes/s of noise for %.0f s (%ld bytes), then a "
                    "position report; platform %s\n",
                    rate, seconds, shared->noise_bytes.load(),
                    qPrintable(QGuiApplication::platformName()));
        if (report_ns == 0 || first_decode_ns == 0) {
            std::printf("the report was not decoded within 30 s of the flood's end\n");
            exit_code = 1;
        } else {
            std::printf("report decoded          %.1f ms after its write began\n",
                        double(first_decode_ns - report_ns) / 1e6);
            std::printf("report shown            %.1f ms after its write began (first paint of "
                        "the position field)\n",
                        double(shown.first_after - report_ns) / 1e6);
        }
        std::printf("position shown          %s\n",
                    qPrintable(window.ui->current_loc_edit->text()));
        std::printf("longest event-loop stall %.1f ms (the window's CPU in it %.1f ms); stalls "
                    "over 50 ms: %ld\n",
                    longest_stall_ms, cpu_in_longest_stall_ms, stalls_over_50_ms);
        std::printf("receive log             %d paragraphs, %d characters\n",
                    window.ui->com_message_edit->document()->blockCount(),
                    window.ui->com_message_edit->document()->characterCount());
        std::printf("resident memory         start %ld KB, largest %ld KB (+%.1f MB)\n",
                    resident_start_kb, resident_max_kb,
                    double(resident_max_kb - resident_start_kb) / 1024);
    } else if (mode == "return") {
        std::printf("line_bench return: the far end closes, and 1 s later a new "
                    "pseudo-terminal takes its link; platform %s\n",
                    qPrintable(QGuiApplication::platformName()));
        unlink(link.constData());
        if (reopened_ns == 0) {
            std::printf("the port was not open again within 15 s\n");
            exit_code = 1;
        } else {
            std::printf("open again              %.1f ms after the link was back\n",
                        double(reopened_ns - shared->last_write_ns.load()) / 1e6);
        }
    } else if (mode == "idle") {
        const double wall = double(monotonic_ns() - loss_ns) / 1e9;
        std::printf("line_bench idle: the window with no port open; platform %s\n",
                    qPrintable(QGuiApplication::platformName()));
        std::printf("CPU                     %.2f %% of a core (%.3f s in %.1f s)\n",
                    100 * (cpu_seconds() - cpu_at_loss) / wall, cpu_seconds() - cpu_at_loss, wall);
    } else {
        std::printf("line_bench loss: 523 position reports a second for 1 s, then the far end "
                    "closes; platform %s\n",
                    qPrintable(QGuiApplication::platformName()));
        if (cpu_at_loss < 0) {
            std::printf("the loss was never reported (port open: %d)\n",
                        int(window.serial->isOpen()));
            exit_code = 1;
        } else {
            const double wall = double(monotonic_ns() - loss_ns) / 1e9;
            std::printf("warning shown           %.1f ms after the close: %s\n",
                        double(first_box_ns - shared->last_write_ns.load()) / 1e6,
                        qPrintable(first_box_text));
            std::printf("port open afterwards    %d\n", int(window.serial->isOpen()));
            std::printf("CPU from the loss on    %.2f %% of a core (%.3f s in %.1f s)\n",
                        100 * (cpu_seconds() - cpu_at_loss) / wall, cpu_seconds() - cpu_at_loss,
                        wall);
        }
    }
    return exit_code;
}
