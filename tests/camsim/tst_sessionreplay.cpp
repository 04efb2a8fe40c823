#include "session/pcapng.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

// The real poscam-camsim playing a written session onto its pseudo-terminal,
// read on the host's side through a real QSerialPort.
class SessionReplay : public QObject
{
    Q_OBJECT

private slots:
    // Every inbound byte comes out in order, none of the host's, nothing of
    // a last block cut short; pieces larger than a read and a host that only
    // opens the line after the port is named lose nothing.
    void inboundBytesArriveInOrder()
    {
        QRandomGenerator random(7);
        QByteArray file = session::section_header_block("test") +
                          session::interface_block("ttyUSB0", "115200 8N1 无流控");
        QByteArray expected;
        qint64 time_us = 1'700'000'000'000'000;
        for (int k = 0; k < 400; ++k) {
            QByteArray piece(k == 200 ? 20000 : 1 + int(random.bounded(300)), '\0');
            for (char &byte : piece)
                byte = char(random.bounded(256));
            time_us += random.bounded(2000);
            file += session::packet_block(time_us, true, piece);
            expected += piece;
            if (k % 7 == 0)
                file += session::packet_block(time_us, false, "FF FE F0 FE FF host");
        }
        const QByteArray cut = session::packet_block(time_us + 1000, true, "never sent");
        file += cut.left(cut.size() - 4);

        QTemporaryDir folder;
        QFile session_file(folder.filePath("field.pcapng"));
        QVERIFY(session_file.open(QIODevice::WriteOnly));
        session_file.write(file);
        session_file.close();

        QProcess camsim;
        camsim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        camsim.start(QStringLiteral(POSCAM_CAMSIM),
                     {"--replay", session_file.fileName(), "--speed", "200"});
        QVERIFY(camsim.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += camsim.readAllStandardOutput()).contains('\n'), 10000);
        QVERIFY2(said.startsWith("port "), said.constData());

        QSerialPort host;
        host.setPortName(QString::fromUtf8(said.mid(5, said.indexOf('\n') - 5)));
        QVERIFY2(host.open(QIODevice::ReadWrite), qPrintable(host.errorString()));
        host.write("FF FE F1 FE FF from the host");
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += host.readAll()).size() >= expected.size(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT((said += camsim.readAllStandardOutput()).contains("replayed"),
                                 10000);
        QVERIFY2(said.contains(QStringLiteral("replayed %1 bytes").arg(expected.size()).toUtf8()),
                 said.constData());
        QCOMPARE(received.size(), expected.size());
        QVERIFY(received == expected);

        camsim.write("quit\n");
        QVERIFY(camsim.waitForFinished(10000));
        QCOMPARE(camsim.exitCode(), 0);
    }

    // A file that is not a session never opens the line.
    void otherFilesAreRefused()
    {
        QTemporaryDir folder;
        QFile text(folder.filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("time,x,y\n1,2,3\n");
        text.close();
        QProcess camsim;
        camsim.start(QStringLiteral(POSCAM_CAMSIM), {"--replay", text.fileName()});
        QVERIFY(camsim.waitForFinished(10000));
        QCOMPARE(camsim.exitCode(), 1);
        QCOMPARE(camsim.readAllStandardOutput(), QByteArray());
        const QString error = QString::fromUtf8(camsim.readAllStandardError());
        QVERIFY2(error.contains("not a session file: not a pcapng file"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(SessionReplay)
#include "tst_sessionreplay.moc"
