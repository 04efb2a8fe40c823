#include "app/sessionreplay.h"
#include "camerareports.h"
#include "livewindow.h"
#include "session/sessionfolder.h"
#include "session/sessionplayer.h"
#include "session/sessionreader.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace
{

struct Traffic {
    QByteArray inbound;
    QByteArray outbound;
    int inbound_packets = 0;
};

Traffic read_traffic(const QString &path)
{
    Traffic traffic;
    QFile file(path);
    session::SessionReader reader;
    if (!file.open(QIODevice::ReadOnly) || !reader.open(&file))
        return traffic;
    session::SessionPacket packet;
    while (reader.next(packet) == session::SessionReader::Next::Packet) {
        if (packet.inbound) {
            traffic.inbound += packet.bytes;
            ++traffic.inbound_packets;
        } else {
            traffic.outbound += packet.bytes;
        }
    }
    return traffic;
}

struct ReadOuts {
    QString location;
    QString angle;
    QString angle_x;
    QString angle_y;
    QString first_count;
    int track_points = 0;
};

ReadOuts read_outs(MainWindow &window)
{
    // What the next display frame would show; a window never shown has none.
    window.show_readouts();
    return {window.ui->current_loc_edit->text(),  window.ui->current_angle_edit->text(),
            window.ui->current_angx_edit->text(), window.ui->current_angy_edit->text(),
            window.ui->sendNum_edit->text(),      int(window.track_x.size())};
}

} // namespace

class SessionRecording : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir(session::sessions_folder()).removeRecursively();
    }

    // One connection, one file: the camera's bytes inbound and the window's
    // commands outbound, each in the order they crossed the line. Replayed as
    // fast as possible, it leaves the window showing what the live session
    // left.
    void connection_is_recorded_and_replays_the_same()
    {
        QString path;
        QByteArray played;
        ReadOuts live;
        {
            LiveWindow live_window;
            QVERIFY(live_window.connect_port());
            for (int k = 0; k < 60; ++k) {
                const QByteArray report = position_bytes_at(k * 1.5, 100 - k, k * 6 % 360);
                played += report;
                QVERIFY(live_window.play(report));
                if (k == 20)
                    live_window.form().modle2->click();
                if (k == 40)
                    live_window.form().need_angle_Btn->click();
            }
            // The end and start of a transfer long past, as a session holds
            // them: the replay shows them but leaves the transfer alone.
            const QByteArray acknowledgements = QByteArray::fromHex("FFFEFBFEFFFFFEFAFEFF");
            played += acknowledgements;
            QVERIFY(live_window.play(acknowledgements));
            QVERIFY(live_window.sync(7, 9));
            played += QByteArray::fromHex("FFFEFD00070009FEFF");
            const QByteArray written = live_window.camera.read_at_least(5 + 13);
            live = read_outs(live_window.window);
            live_window.form().com_disconnectBtn->click();

            const QStringList files =
                QDir(session::sessions_folder()).entryList({"poscam-*.pcapng"}, QDir::Files);
            QCOMPARE(files.size(), 1);
            path = QDir(session::sessions_folder()).filePath(files.first());
            const Traffic traffic = read_traffic(path);
            QCOMPARE(traffic.inbound, played);
            QCOMPARE(traffic.outbound, written);
            QVERIFY(traffic.inbound_packets >= 60);
        }

        MainWindow window;
        QVERIFY(window.open_replay(path));
        QVERIFY(window.replay);
        QVERIFY(!window.ui->com_connectBtn->isEnabled());
        QVERIFY(!window.ui->modle1->isEnabled());
        QVERIFY(!window.ui->transport_s->isEnabled());
        session::SessionPlayer *player = window.replay->player();
        player->set_speed(0);
        QTRY_VERIFY_WITH_TIMEOUT(player->is_finished(), 10000);
        const ReadOuts replayed = read_outs(window);
        QCOMPARE(replayed.location, live.location);
        QCOMPARE(replayed.angle, live.angle);
        QCOMPARE(replayed.angle_x, live.angle_x);
        QCOMPARE(replayed.first_count, live.first_count);
        QCOMPARE(replayed.track_points, live.track_points);
        QVERIFY(!window.start_acked);
        QVERIFY(!window.ui->transport_s->isEnabled());

        // Back to the start and on from there: the trajectory starts again.
        player->seek(0);
        QTRY_VERIFY_WITH_TIMEOUT(window.track_x.size() < live.track_points, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(player->is_finished(), 10000);
        QCOMPARE(int(window.track_x.size()), live.track_points);

        window.replay->grab().save(QDir::temp().filePath("poscam-session-replay.png"));
        window.replay->close();
        QTRY_VERIFY(!window.replay);
        QVERIFY(window.ui->com_connectBtn->isEnabled());
        QVERIFY(window.ui->modle1->isEnabled());
    }

    void text_file_is_not_a_session()
    {
        const QString path = QDir::temp().filePath("poscam-not-a-session.pcapng");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x,y\n1,2\n");
        file.close();
        MainWindow window;
        SeenModal seen;
        accept_next_message_box(&seen);
        QVERIFY(!window.open_replay(path));
        QVERIFY(seen.seen);
        QVERIFY2(seen.text.startsWith("不是会话文件"), qPrintable(seen.text));
        QVERIFY(!window.replay);
        QVERIFY(window.ui->com_connectBtn->isEnabled());
        QFile::remove(path);
    }
};

QTEST_MAIN(SessionRecording)
#include "tst_sessionrecording.moc"
