#include "link/portscanner.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QSerialPortInfo>
#include <QTimer>

namespace ports
{

namespace
{

QVector<PortIdentity> list_ports()
{
    QVector<PortIdentity> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << identity_of(info);
    return ports;
}

// A device that comes and goes many times a second changes /dev as often; it
// is listed at most once a second all the same.
constexpr qint64 kMinScanGapMs = 1000;
constexpr int kFirstScanDelayMs = 100;

} // namespace

// Lives on the scanner's thread.
class PortScanWorker : public QObject
{
public:
    PortScanWorker(PortScanner &scanner, QVector<PortIdentity> first)
        : scanner(scanner), last(std::move(first))
    {
    }

    void start()
    {
        since_scan.start();
        due = new QTimer(this);
        due->setSingleShot(true);
        connect(due, &QTimer::timeout, this, [this] { scan(); });
        auto *watcher = new QFileSystemWatcher(this);
        watcher->addPath(QStringLiteral("/dev"));
        connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
    }

private:
    void changed()
    {
        follow_up = true;
        if (!due->isActive())
            due->start(int(qMax<qint64>(kFirstScanDelayMs, kMinScanGapMs - since_scan.elapsed())));
    }

    void scan()
    {
        since_scan.start();
        QVector<PortIdentity> ports = list_ports();
        if (follow_up) {
            follow_up = false;
            due->start(int(kMinScanGapMs));
        }
        if (ports == last)
            return;
        last = ports;
        PortScanner *target = &scanner;
        QMetaObject::invokeMethod(
            target,
            [target, ports = std::move(ports)] {
                // Reaches the scanner's own thread; ports() is read there only.
                target->deliver(ports);
            },
            Qt::QueuedConnection);
    }

    PortScanner &scanner;
    QVector<PortIdentity> last;
    QElapsedTimer since_scan;
    QTimer *due = nullptr;
    bool follow_up = false;
};

PortScanner::PortScanner(QObject *parent) : QObject(parent), listed(list_ports())
{
    auto *worker = new PortScanWorker(*this, listed);
    worker->moveToThread(&thread);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(
        worker, [worker] { worker->start(); }, Qt::QueuedConnection);
}

PortScanner::~PortScanner()
{
    thread.quit();
    thread.wait();
}

void PortScanner::deliver(const QVector<PortIdentity> &ports)
{
    listed = ports;
    emit ports_changed();
}

} // namespace ports
