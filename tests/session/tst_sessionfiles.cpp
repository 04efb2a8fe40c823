#include "camerareports.h"
#include "session/pcapng.h"
#include "session/sessionreader.h"
#include "session/sessionrecorder.h"
#include "session/sessionscan.h"
#include "sessioncommands.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace
{

struct Packet {
    bool inbound;
    QByteArray bytes;
};

QVector<Packet> read_packets(const QString &path, QString *error = nullptr)
{
    QVector<Packet> packets;
    QFile file(path);
    session::SessionReader reader;
    if (!file.open(QIODevice::ReadOnly) || !reader.open(&file)) {
        if (error)
            *error = reader.error();
        return packets;
    }
    session::SessionPacket packet;
    while (reader.next(packet) == session::SessionReader::Next::Packet)
        packets.append({packet.inbound, packet.bytes});
    return packets;
}

QString write_file(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray header()
{
    return session::section_header_block("test") +
           session::interface_block("ttyUSB0", "115200 8N1 无流控");
}

void put32(QByteArray &bytes, int at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

} // namespace

class SessionFiles : public QObject
{
    Q_OBJECT

private slots:
    // What was recorded comes back in order, each piece its own packet with
    // its direction, across the files a rotation starts.
    void recorded_pieces_read_back_in_order()
    {
        QTemporaryDir folder;
        session::SessionRecorder recorder;
        recorder.set_max_file_bytes(600);
        QVERIFY(recorder.start(folder.path(), "/dev/ttyUSB0", "115200 8N1 无流控"));
        QVector<Packet> sent;
        for (int k = 0; k < 20; ++k) {
            const Packet packet{k % 3 != 0, QByteArray(k + 1, char('a' + k))};
            recorder.record(packet.inbound, packet.bytes);
            sent.append(packet);
        }
        recorder.stop();
        QStringList files =
            QDir(folder.path()).entryList({"poscam-*-ttyUSB0*.pcapng"}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() > 1, "a small rotation size starts further files");
        // Files started within one second differ by a suffix; their packets
        // tell their order.
        auto first_time = [&](const QString &name) {
            session::SessionSummary summary;
            QString error;
            session::scan_session(folder.filePath(name), summary, error);
            return summary.start_us;
        };
        std::sort(files.begin(), files.end(), [&](const QString &a, const QString &b) {
            return first_time(a) < first_time(b);
        });
        QVector<Packet> read;
        for (const QString &name : files) {
            QFileInfo info(folder.filePath(name));
            QVERIFY(info.size() <= 600);
            read += read_packets(info.filePath());
        }
        QCOMPARE(read.size(), sent.size());
        for (int k = 0; k < sent.size(); ++k) {
            QCOMPARE(read.at(k).inbound, sent.at(k).inbound);
            QCOMPARE(read.at(k).bytes, sent.at(k).bytes);
        }
        session::SessionSummary summary;
        QString error;
        QVERIFY(session::scan_session(folder.filePath(files.first()), summary, error));
        QCOMPARE(summary.port_name, QString("/dev/ttyUSB0"));
        QCOMPARE(summary.description, QString("115200 8N1 无流控"));
    }

    // Debian's tshark reads the file as a capture and tells the directions
    // apart as the recorder wrote them.
    void tshark_counts_packets_and_directions()
    {
        const QString tshark = QStandardPaths::findExecutable("tshark");
        if (tshark.isEmpty())
            QSKIP("tshark is not installed (scripts/deps --test installs it)");
        QTemporaryDir folder;
        session::SessionRecorder recorder;
        QVERIFY(recorder.start(folder.path(), "ttyS0", "9600 8N1 无流控"));
        for (int k = 0; k < 7; ++k)
            recorder.record(true, QByteArray(5, 'i'));
        for (int k = 0; k < 3; ++k)
            recorder.record(false, QByteArray(5, 'o'));
        recorder.stop();
        QProcess process;
        process.start(tshark, {"-r", recorder.file_path(), "-T", "fields", "-e",
                               "frame.packet_flags_direction", "-e", "frame.len"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 10);
        int inbound = 0;
        int outbound = 0;
        for (const QString &line : lines) {
            const QStringList fields = line.split('\t');
            QCOMPARE(fields.value(1), QString("5"));
            // tshark names the direction by value: 1 inbound, 2 outbound.
            inbound += fields.value(0).endsWith("1");
            outbound += fields.value(0).endsWith("2");
        }
        QCOMPARE(inbound, 7);
        QCOMPARE(outbound, 3);
    }

    void bad_files_are_refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = header() + session::packet_block(1000, true, "abc");

        QTest::newRow("text file") << QByteArray("time,x,y\n1,2,3\n") << "not a pcapng file";
        QTest::newRow("truncated header") << good.left(20) << "truncated";
        QByteArray short_header(16, '\0');
        put32(short_header, 0, session::kSectionHeaderType);
        put32(short_header, 4, 16);
        put32(short_header, 8, session::kByteOrderMagic);
        put32(short_header, 12, 16);
        QTest::newRow("section header without a version")
            << short_header << "section header too short";
        QByteArray other_link = good;
        const int interface_at = session::section_header_block("test").size();
        other_link[interface_at + 8] = 1; // Ethernet
        other_link[interface_at + 9] = 0;
        QTest::newRow("another link type") << other_link << "link type 1";
        QByteArray lying = good;
        put32(lying, interface_at + 4, 16); // the interface block claims 16 bytes
        QTest::newRow("lying block length") << lying << "ends with another length";
        QByteArray huge = header();
        huge += QByteArray(8, '\0');
        put32(huge, huge.size() - 8, session::kPacketType);
        put32(huge, huge.size() - 4, 0x40000000);
        huge += QByteArray(64, '\0');
        QTest::newRow("gigabyte block header") << huge << "longer than any session block";
        QByteArray odd = good;
        put32(odd, interface_at + 4, 13);
        QTest::newRow("length not a multiple of 4") << odd << "multiple of 4";
    }

    // Refused with a reason, by the reader, the scan and the command line.
    void bad_files_are_refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QString path = write_file(folder.filePath("bad.pcapng"), bytes);
        session::SessionSummary summary;
        QString error;
        QVERIFY(!session::scan_session(path, summary, error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QString out_text;
        QString err_text;
        QTextStream out(&out_text);
        QTextStream err(&err_text);
        QCOMPARE(sessiontool::run_poses(path, out, err), 1);
        QVERIFY2(err_text.contains("not a session file: ") && err_text.contains(reason),
                 qPrintable(err_text));
    }

    // A last block cut short is left out; what came before it still reads.
    void truncated_last_block_is_ignored()
    {
        QTemporaryDir folder;
        const QByteArray bytes = header() + session::packet_block(1000, true, "first") +
                                 session::packet_block(2000, false, "second");
        const QString path =
            write_file(folder.filePath("cut.pcapng"), bytes.left(bytes.size() - 5));
        session::SessionSummary summary;
        QString error;
        QVERIFY2(session::scan_session(path, summary, error), qPrintable(error));
        QVERIFY(summary.truncated);
        const QVector<Packet> packets = read_packets(path);
        QCOMPARE(packets.size(), 1);
        QCOMPARE(packets.at(0).bytes, QByteArray("first"));
    }

    // The CSV holds the position reports the window would accept, and only
    // those: a report with a failed check byte and the other reports are not
    // lines; a report split over two reads is one.
    void poses_are_the_decoded_positions()
    {
        QTemporaryDir folder;
        PositionBytes bad;
        bad.x_tenths = 50;
        bad.check_offset = 1;
        const QByteArray second = position_bytes_at(-12.5, 300, 359.9);
        QByteArray bytes = header();
        bytes += session::packet_block(5000000, true, position_bytes_at(10, 20.5, 90));
        bytes += session::packet_block(5100000, false, hex_bytes("FF FE F0 FE FF"));
        bytes += session::packet_block(5200000, true, position_bytes(bad));
        bytes += session::packet_block(5300000, true, hex_bytes("FF FE FD 00 01 00 02 FE FF"));
        bytes += session::packet_block(5400000, true, second.left(9));
        bytes += session::packet_block(6500000, true, second.mid(9));
        const QString path = write_file(folder.filePath("poses.pcapng"), bytes);
        QString out_text;
        QString err_text;
        QTextStream out(&out_text);
        QTextStream err(&err_text);
        QCOMPARE(sessiontool::run_poses(path, out, err), 0);
        QCOMPARE(out_text.split('\n', Qt::SkipEmptyParts),
                 QStringList({"time_s,x,y,rotation_deg,attitude_x_deg,attitude_y_deg",
                              "0.000000,10,20.5,90,0,0", "1.500000,-12.5,300,359.899994,0,0"}));
    }

    // A disk that fails mid-session (here: the file size limit, which binds
    // root too) stops recording once, with a reason, and leaves a file that
    // reads to its last whole block.
    void failing_disk_leaves_a_valid_file_and_one_warning()
    {
        QTemporaryDir folder;
        session::SessionRecorder recorder;
        QSignalSpy failed(&recorder, &session::SessionRecorder::failed);
        QVERIFY(recorder.start(folder.path(), "ttyUSB0", "115200 8N1 无流控"));
        rlimit old_limit{};
        getrlimit(RLIMIT_FSIZE, &old_limit);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_limit;
        limit.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        int recorded = 0;
        for (; recorded < 400 && recorder.recording(); ++recorded) {
            recorder.record(true, QByteArray(1000, char(recorded)));
            QTest::qWait(1);
        }
        recorder.stop();
        setrlimit(RLIMIT_FSIZE, &old_limit);
        QTRY_COMPARE(failed.count(), 1);
        QVERIFY(!failed.at(0).at(0).toString().isEmpty());
        QVERIFY(recorded < 400);
        const QVector<Packet> packets = read_packets(recorder.file_path());
        QVERIFY(!packets.isEmpty());
        session::SessionSummary summary;
        QString error;
        QVERIFY2(session::scan_session(recorder.file_path(), summary, error), qPrintable(error));
        QVERIFY2(!summary.truncated, "cut back to its last whole block");
        for (int k = 0; k < packets.size(); ++k)
            QCOMPARE(packets.at(k).bytes, QByteArray(1000, char(k)));
        QTest::qWait(50);
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(SessionFiles)
#include "tst_sessionfiles.moc"
