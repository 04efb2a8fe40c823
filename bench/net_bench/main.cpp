// The camera's full stream read three ways in one run: a local
// pseudo-terminal through QSerialPort, and the same kind of line behind a
// real ser2net through NetworkPort, raw (tcp://) and with RFC 2217. Each
// reader cuts and decodes every byte as the window does. A separate writer
// process per line writes position reports on a fixed schedule. Prints, per
// way: reports decoded of those sent, this process's CPU and ser2net's per
// wall second, and the lag from a report's write to its decoding. Then stops
// and restarts ser2net --reopen times and prints how long the port takes to
// open once the server listens again.
#include "floorpath.h"
#include "measures.h"
#include "ser2netprocess.h"
#include "writer.h"

#include "netport/networkport.h"
#include "protocol/framecutter.h"
#include "protocol/reportdecoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>
#include <cstdio>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace
{

struct Options {
    double rate = 523; // the line rate of 22-byte reports at 115200 baud
    double seconds = 20;
    int reopen = 5;
};

Options parse(int argc, char **argv)
{
    Options options;
    for (int k = 1; k + 1 < argc; k += 2) {
        const QString name = argv[k];
        if (name == "--rate")
            options.rate = QString(argv[k + 1]).toDouble();
        else if (name == "--seconds")
            options.seconds = QString(argv[k + 1]).toDouble();
        else if (name == "--reopen")
            options.reopen = QString(argv[k + 1]).toInt();
        else
            std::fprintf(stderr, "unknown option %s\n", argv[k]);
    }
    return options;
}

struct Line {
    int master_fd = -1;
    QString slave_path;
    WriterShared *shared = nullptr;
};

bool open_line(Line &line, long reports, double rate)
{
    int slave_fd = -1;
    char path[256] = {};
    if (openpty(&line.master_fd, &slave_fd, path, nullptr, nullptr) != 0)
        return false;
    termios raw{};
    tcgetattr(slave_fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_fd, TCSANOW, &raw);
    // The slave stays open here too, so that the line never hangs up between
    // ser2net's opens.
    line.slave_path = QString::fromLocal8Bit(path);
    line.shared = create_writer_shared(reports);
    if (!line.shared)
        return false;
    line.shared->rate = rate;
    line.shared->speed_cm_per_report = 100.0 / rate;
    return start_writer(line.master_fd, line.shared) > 0;
}

double process_cpu_seconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command's closing parenthesis; utime and stime are
    // the 14th and 15th of the line.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

struct Result {
    long sent = 0;
    long decoded = 0;
    double cpu = 0;
    double server_cpu = 0;
    double wall = 0;
    std::vector<double> lag_ms;
};

// Reads `device` until the writer is done and one more second has passed.
Result read_stream(QIODevice &device, Line &line, const Ser2netProcess *server)
{
    Result result;
    bool ff_seen = false, in_frame = false, fe_seen = false;
    QByteArray frame;
    QObject::connect(&device, &QIODevice::readyRead, [&] {
        const QByteArray bytes = device.readAll();
        const int64_t now = monotonic_ns();
        for (const char byte : bytes) {
            if (!protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
                continue;
            const std::optional<protocol::Report> report = protocol::decode_report(frame);
            if (report && report->kind == protocol::ReportKind::Position) {
                // A read may come before the writer noted its write's return.
                const int64_t written = result.decoded < line.shared->reports
                                            ? line.shared->written_ns()[result.decoded]
                                            : 0;
                if (written != 0)
                    result.lag_ms.push_back(double(now - written) / 1e6);
                ++result.decoded;
            }
            if (report)
                frame.clear();
        }
    });
    const double cpu_before = cpu_seconds();
    const double server_before = server ? process_cpu_seconds(server->process_id()) : 0;
    const int64_t start = monotonic_ns();
    line.shared->start_ns.store(start);
    int64_t done_at = 0;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        const int64_t now = monotonic_ns();
        if (done_at == 0 && line.shared->sent.load() == line.shared->reports)
            done_at = now;
        if ((done_at != 0 && now - done_at > 1000000000) || result.decoded == line.shared->reports)
            loop.quit();
    });
    check.start(100);
    loop.exec();
    result.wall = double(monotonic_ns() - start) / 1e9;
    result.cpu = cpu_seconds() - cpu_before;
    result.server_cpu = server ? process_cpu_seconds(server->process_id()) - server_before : 0;
    result.sent = line.shared->sent.load();
    QObject::disconnect(&device, nullptr, nullptr, nullptr);
    return result;
}

void print(const char *way, const Result &r)
{
    std::printf("%-10s decoded %ld / %ld   CPU %.3f s/s   ser2net %.3f s/s   lag median %.2f ms "
                "p99 %.2f ms max %.2f ms\n",
                way, r.decoded, r.sent, r.cpu / r.wall, r.server_cpu / r.wall,
                percentile(r.lag_ms, 0.5), percentile(r.lag_ms, 0.99), percentile(r.lag_ms, 1.0));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parse(argc, argv);
    const long reports = long(options.rate * options.seconds);
    // The writers are forked before the application starts any thread.
    Line lines[3];
    for (Line &line : lines)
        if (!open_line(line, reports, options.rate)) {
            std::perror("pseudo-terminal or writer");
            return 1;
        }
    QCoreApplication app(argc, argv);
    std::printf("%ld position reports at %.0f a second, each way\n", reports, options.rate);

    {
        QSerialPort port(lines[0].slave_path);
        port.setBaudRate(115200);
        if (!port.open(QIODevice::ReadWrite)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(lines[0].slave_path),
                         qPrintable(port.errorString()));
            return 1;
        }
        print("pty", read_stream(port, lines[0], nullptr));
    }
    for (int k = 1; k <= 2; ++k) {
        Ser2netProcess server;
        if (!server.start(lines[k].slave_path)) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return 1;
        }
        const QString address =
            server.address(k == 2 ? Ser2netProcess::Rfc2217 : Ser2netProcess::Raw);
        netport::NetworkPort port;
        port.set_address(*netport::parse_address(address).address);
        if (!port.open(QIODevice::ReadWrite)) {
            std::fprintf(stderr, "%s\n", qPrintable(port.errorString()));
            return 1;
        }
        print(k == 1 ? "tcp" : "rfc2217", read_stream(port, lines[k], &server));
        port.close();
        server.stop();
    }

    if (options.reopen > 0) {
        Ser2netProcess server;
        if (!server.start(lines[2].slave_path)) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return 1;
        }
        netport::NetworkPort port;
        port.set_address(*netport::parse_address(server.address(Ser2netProcess::Rfc2217)).address);
        std::vector<double> open_ms;
        for (int k = 0; k < options.reopen; ++k) {
            if (!server.restart())
                return 1;
            // From the moment the server listens again.
            QElapsedTimer clock;
            clock.start();
            port.close();
            bool done = false;
            bool ok = false;
            QObject::connect(&port, &netport::NetworkPort::opened, [&] { done = ok = true; });
            QObject::connect(&port, &netport::NetworkPort::open_failed, [&] { done = true; });
            port.open_in_background();
            while (!done)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QObject::disconnect(&port, &netport::NetworkPort::opened, nullptr, nullptr);
            QObject::disconnect(&port, &netport::NetworkPort::open_failed, nullptr, nullptr);
            if (!ok) {
                std::fprintf(stderr, "reopen failed: %s\n", qPrintable(port.errorString()));
                return 1;
            }
            open_ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::printf("reopen     rfc2217 open after the server listens again: median %.2f ms, "
                    "max %.2f ms over %d\n",
                    percentile(open_ms, 0.5), percentile(open_ms, 1.0), options.reopen);
        server.stop();
    }
    return 0;
}
