#include "camera/reportframes.h"
#include "protocol/framecutter.h"
#include "pseudoterminal.h"
#include "serialline.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace camsim;

namespace
{

// The host's end of the simulator's pseudo-terminal, opened as poscam would.
class HostEnd
{
public:
    explicit HostEnd(const QString &path)
        : fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~HostEnd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool is_open() const
    {
        return fd >= 0;
    }
    // Reads what is waiting; false once the line reports a hang-up or error.
    bool read_into(QByteArray &bytes)
    {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(buffer, int(n));
                continue;
            }
            return n < 0 && errno == EAGAIN;
        }
    }
    bool write(const QByteArray &bytes)
    {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

private:
    int fd;
};

QList<QByteArray> frames_cut_from(const QByteArray &stream)
{
    bool ff = false, in = false, fe = false;
    QByteArray frame;
    QList<QByteArray> frames;
    for (char byte : stream)
        if (protocol::cut_byte(quint8(byte), ff, in, fe, frame))
            frames << frame;
    return frames;
}

QByteArray collected(const QByteArray &wire)
{
    return wire.mid(1, wire.size() - 2);
}

} // namespace

class SerialLineTest : public QObject
{
    Q_OBJECT

private slots:
    void pseudoTerminalCarriesBytesBothWays();
    void splitWritesAndNoiseDeliverEveryFrameWholeAndInOrder();
    void hostMayCloseAndReopenThePort();
    void vanishingHangsUpTheHostsEnd();
    void namedDeviceIsOpenedRawAndLossOfItClosesTheLine();
    void unknownBaudRateIsRefused();
};

void SerialLineTest::pseudoTerminalCarriesBytesBothWays()
{
    SerialLine line(1);
    QString error;
    QVERIFY2(line.open_pseudo_terminal(&error), qPrintable(error));
    QVERIFY(QFileInfo::exists(line.path()));
    QVERIFY(!line.host_connected());
    HostEnd host(line.path());
    QVERIFY(host.is_open());
    QTRY_VERIFY_WITH_TIMEOUT(line.host_connected(), 5000);

    QByteArray got;
    connect(&line, &SerialLine::received, [&](const QByteArray &bytes) { got += bytes; });
    const QByteArray command("\xFF\xFE\xF1\xFE\xFF\x00\x0A\x0D", 8);
    QVERIFY(host.write(command));
    QTRY_COMPARE_WITH_TIMEOUT(got, command, 5000);

    line.send_frame(camera::start_ack());
    QByteArray at_host;
    QTRY_COMPARE_WITH_TIMEOUT((host.read_into(at_host), at_host), camera::start_ack(), 5000);
}

void SerialLineTest::splitWritesAndNoiseDeliverEveryFrameWholeAndInOrder()
{
    SerialLine line(5);
    QString error;
    QVERIFY(line.open_pseudo_terminal(&error));
    line.set_split_writes(true);
    line.set_garbage(0.5);
    HostEnd host(line.path());
    QTRY_VERIFY_WITH_TIMEOUT(line.host_connected(), 5000);

    QList<QByteArray> sent;
    qint64 frame_bytes = 0;
    for (int k = 0; k < 400; ++k) {
        camera::PositionFields pose;
        pose.x_tenths = k * 37 - 5000;
        pose.y_tenths = 3000 - k * 11;
        pose.rotation_tenths = quint16(k * 9 % 3600);
        const QByteArray frame =
            k % 5 == 0 ? camera::count_report(quint16(k), 400) : camera::position_report(pose);
        sent << frame;
        frame_bytes += frame.size();
        line.send_frame(frame);
    }
    QByteArray stream;
    QTRY_VERIFY_WITH_TIMEOUT((host.read_into(stream), line.backlog() == 0), 10000);
    host.read_into(stream);

    QVERIFY2(stream.size() > frame_bytes, "no noise between the frames");
    // Whatever lies between two frames is noise of at most eight bytes that
    // holds no 0xFE.
    int at = 0;
    for (const QByteArray &frame : sent) {
        const int found = stream.indexOf(frame, at);
        QVERIFY(found >= at);
        const QByteArray noise = stream.mid(at, found - at);
        QVERIFY(noise.size() <= 8);
        QVERIFY2(!noise.contains(char(0xFE)), noise.toHex(' ').constData());
        at = found + frame.size();
    }
    const QList<QByteArray> frames = frames_cut_from(stream);
    QCOMPARE(frames.size(), sent.size());
    for (int k = 0; k < sent.size(); ++k)
        QCOMPARE(frames.at(k), collected(sent.at(k)));
}

void SerialLineTest::hostMayCloseAndReopenThePort()
{
    SerialLine line(1);
    QString error;
    QVERIFY(line.open_pseudo_terminal(&error));
    QSignalSpy host_changed(&line, &SerialLine::host_changed);
    {
        HostEnd first(line.path());
        QVERIFY(first.is_open());
        QTRY_COMPARE_WITH_TIMEOUT(host_changed.count(), 1, 5000);
        QCOMPARE(host_changed.last().at(0).toBool(), true);
    }
    QTRY_COMPARE_WITH_TIMEOUT(host_changed.count(), 2, 5000);
    QCOMPARE(host_changed.last().at(0).toBool(), false);

    // Said to nobody: gone, not kept for the next host.
    line.send_frame(camera::start_ack());
    QCOMPARE(line.backlog(), qint64(0));
    QCOMPARE(line.bytes_discarded(), qint64(camera::start_ack().size()));

    HostEnd again(line.path());
    QVERIFY(again.is_open());
    QTRY_VERIFY_WITH_TIMEOUT(line.host_connected(), 5000);
    line.send_frame(camera::end_ack());
    QByteArray at_host;
    QTRY_COMPARE_WITH_TIMEOUT((again.read_into(at_host), at_host), camera::end_ack(), 5000);
    QVERIFY(line.is_open());
}

void SerialLineTest::vanishingHangsUpTheHostsEnd()
{
    SerialLine line(1);
    QString error;
    QVERIFY(line.open_pseudo_terminal(&error));
    HostEnd host(line.path());
    QSignalSpy closed(&line, &SerialLine::closed);
    line.vanish();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!line.is_open());
    QByteArray bytes;
    QVERIFY(!host.read_into(bytes));
    // Nothing more goes anywhere, and nothing piles up.
    line.send_frame(camera::start_ack());
    QCOMPARE(line.backlog(), qint64(0));
    line.vanish();
    QCOMPARE(closed.count(), 1);
}

void SerialLineTest::namedDeviceIsOpenedRawAndLossOfItClosesTheLine()
{
    PseudoTerminal device;
    QVERIFY(device.is_valid());
    SerialLine line(1);
    QString error;
    QVERIFY2(line.open_device(device.slave_path(), 115200, &error), qPrintable(error));
    QCOMPARE(line.path(), device.slave_path());

    // Raw: a carriage return and a line feed pass unchanged, nothing is echoed.
    QSignalSpy received(&line, &SerialLine::received);
    QVERIFY(device.write(QByteArray("\xFF\xFE\x0D\x0A\xFE\xFF", 6)));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
    QCOMPARE(received.first().at(0).toByteArray(), QByteArray("\xFF\xFE\x0D\x0A\xFE\xFF", 6));
    line.send_frame(camera::record_ack(300));
    QCOMPARE(device.read_at_least(7), camera::record_ack(300));

    QSignalSpy closed(&line, &SerialLine::closed);
    device.close_master();
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 5000);
    QVERIFY(!line.is_open());
}

void SerialLineTest::unknownBaudRateIsRefused()
{
    PseudoTerminal device;
    SerialLine line(1);
    QString error;
    QVERIFY(!line.open_device(device.slave_path(), 12345, &error));
    QVERIFY(error.contains(QLatin1String("12345")));
    QVERIFY(!line.open_device(QStringLiteral("/nonexistent/tty"), 115200, &error));
    QVERIFY(error.contains(QLatin1String("/nonexistent/tty")));
    QVERIFY(!line.is_open());
}

QTEST_GUILESS_MAIN(SerialLineTest)
#include "tst_serialline.moc"
