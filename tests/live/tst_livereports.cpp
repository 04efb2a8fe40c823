#include "app/pacedlog.h"
#include "camerareports.h"
#include "livewindow.h"
#include "plot/renderpacer.h"
#include "protocol/reporttext.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>
#include <algorithm>

namespace
{

const QString kRedLamp = "image: url(:/image/image/red.png)";
const QString kGreenLamp = "image: url(:/image/image/green.png)";

// Every paragraph the log holds, including those due in its next frame.
QStringList paragraphs(QTextEdit *edit)
{
    if (auto *log = edit->findChild<PacedLog *>())
        log->flush();
    QStringList lines;
    const QTextDocument *document = edit->document();
    if (document->isEmpty())
        return lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

QVector<QPair<double, double>> shown_track(MainWindow &window)
{
    QVector<QPair<double, double>> points;
    const auto data = window.ui->robot_map->graph(0)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        points.append({it->key, it->value});
    std::sort(points.begin(), points.end());
    return points;
}

QVector<QPair<double, double>> stored_track(MainWindow &window)
{
    QVector<QPair<double, double>> points;
    for (int k = 0; k < window.track_x.size(); ++k)
        points.append({window.track_x.at(k), window.track_y.at(k)});
    std::sort(points.begin(), points.end());
    return points;
}

// Reports of every kind with noise between them, for delivery in pieces.
QByteArray mixed_stream()
{
    QByteArray stream;
    stream += hex_bytes("00 FE FF 13");
    stream += position_bytes_at(10, 20, 90);
    stream += hex_bytes("FF FE FD 00 01 00 02 FE FF");
    CodeListBytes entry;
    entry.id = 42;
    entry.first_tenths = 15;
    stream += code_list_bytes({entry});
    stream += hex_bytes("FF FE 01 FF FE FE 00 FE FF"); // restarted into an error report
    stream += position_bytes_at(-30.5, 7.2, 359.9);
    stream += hex_bytes("FF FE 4E 1F 00 FF FF 01 FF FF 03 E7 00 01 67 92 FE FF");
    stream += position_bytes_at(44, -55, 0);
    return stream;
}

struct Outcome {
    QVector<double> track_x;
    QVector<double> track_y;
    QStringList mode_two_lines;
    QString location;
    QString counts;

    bool operator==(const Outcome &other) const
    {
        return track_x == other.track_x && track_y == other.track_y &&
               mode_two_lines == other.mode_two_lines && location == other.location &&
               counts == other.counts;
    }
};

char *toString(const Outcome &outcome)
{
    return qstrdup(qPrintable(QString("track %1 points, lines [%2], location %3, counts %4")
                                  .arg(outcome.track_x.size())
                                  .arg(outcome.mode_two_lines.join(" / "))
                                  .arg(outcome.location, outcome.counts)));
}

Outcome deliver(const QList<QByteArray> &pieces)
{
    LiveWindow live;
    if (!live.connect_port())
        return {};
    for (const QByteArray &piece : pieces) {
        if (!live.play(piece))
            return {};
    }
    return {live.window.track_x, live.window.track_y, paragraphs(live.form().modle2_msg_edit),
            live.form().current_loc_edit->text(),
            live.form().sendNum_edit->text() + "/" + live.form().allNum_edit->text()};
}

} // namespace

class LiveReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void receiveLogHasOneParagraphPerRead();
    void longReadsAreShownInBoundedParagraphsInOrder();
    void frameSplitAcrossReadsIsCutOnce();
    void streamGivesSameResultWholeByteByByteAndInChunks();
    void positionReportShowsPoseOutlineAndTrack();
    void positionsOfOneReadAreRenderedOnce();
    void readOutsWaitWhileMinimisedAndShowTheLatestAsRestored();
    void wrongCheckByteLeavesPoseUnchanged();
    void errorLampStaysOnTimeOfFirstError();
    void modeTwoBoxShowsTagsAndCodes();
    void recordAcknowledgementsAdvanceOnlyOnCurrentId();
    void startAndEndAcknowledgementsApplyWithoutTransfer();
    void fullTrajectoryShowsEveryNewReport();
    void clearingTrajectoryKeepsOutline();
    void bothLogsAreBoundedAndPaced();
};

void LiveReportsTest::receiveLogHasOneParagraphPerRead()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(hex_bytes("FF FE 0A")));
    QVERIFY(live.play(hex_bytes("00 7F")));
    QCOMPARE(paragraphs(live.form().com_message_edit), QStringList({"FF FE 0A ", "00 7F "}));
}

void LiveReportsTest::longReadsAreShownInBoundedParagraphsInOrder()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    // 300 KiB in writes of 3500 bytes, each taken by one read or a few.
    QByteArray all;
    for (int chunk = 0; chunk < 300 * 1024 / 3500; ++chunk) {
        QByteArray bytes(3500, Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(QRandomGenerator::global()->bounded(0xFE));
        QVERIFY(live.play(bytes));
        all += bytes;
    }
    const QStringList shown = paragraphs(live.form().com_message_edit);
    int longest = 0;
    for (const QString &paragraph : shown)
        longest = std::max(longest, int(paragraph.size()));
    // A read of more than 1024 bytes was cut there, and none went beyond.
    QCOMPARE(longest, 1024 * 3);
    QCOMPARE(shown.join(QString()), protocol::hex_echo(all));
}

void LiveReportsTest::frameSplitAcrossReadsIsCutOnce()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(hex_bytes("FF FE FD 00")));
    QCOMPARE(live.form().sendNum_edit->text(), QString("0"));
    QVERIFY(live.play(hex_bytes("05 01 2C FE FF")));
    QCOMPARE(live.form().sendNum_edit->text(), QString("5"));
    QCOMPARE(live.form().allNum_edit->text(), QString("300"));
    QCOMPARE(live.log_paragraphs(), 2);
}

void LiveReportsTest::streamGivesSameResultWholeByteByByteAndInChunks()
{
    const QByteArray stream = mixed_stream();
    const Outcome whole = deliver({stream});
    QCOMPARE(whole.track_x, QVector<double>({10, double(-30.5f), 44}));
    QCOMPARE(whole.mode_two_lines,
             QStringList({"42   1.5   0   0", "19999   65535   -65535   999   359"}));
    QCOMPARE(whole.counts, QString("1/2"));

    QList<QByteArray> bytes;
    for (char byte : stream)
        bytes << QByteArray(1, byte);
    QCOMPARE(deliver(bytes), whole);

    QRandomGenerator random(22);
    QList<QByteArray> chunks;
    for (int at = 0; at < stream.size();) {
        const int size = 1 + random.bounded(30);
        chunks << stream.mid(at, size);
        at += size;
    }
    QCOMPARE(deliver(chunks), whole);
}

void LiveReportsTest::positionReportShowsPoseOutlineAndTrack()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    PositionBytes fields;
    fields.x_sign = 1;
    fields.x_tenths = 1234;
    fields.y_tenths = 56;
    fields.rotation_tenths = 1805;
    fields.attitude_x_sign = 1;
    fields.attitude_x_hundredths = 123;
    QVERIFY(live.play(position_bytes(fields)));
    QCOMPARE(live.form().current_loc_edit->text(), QString("-123.4,5.6"));
    QCOMPARE(live.window.location_text, QString("-123.4,5.6"));
    QCOMPARE(live.form().current_angle_edit->text(), QString("180.5°"));
    QCOMPARE(live.form().current_angx_edit->text(), QString("-1.23°"));
    QCOMPARE(live.form().current_angy_edit->text(), QString("0°"));
    QCOMPARE(live.window.pos_x, -123.4f);
    QCOMPARE(live.window.attitude_y, 0.0f);

    QVERIFY(live.play(position_bytes_at(10, 20, 90)));
    const float expected[8] = {-2, 14, -2, 26, 22, 26, 22, 14};
    for (int k = 0; k < 8; ++k)
        QVERIFY(qAbs(live.window.corner_points[k] - expected[k]) < 1e-4f);
    QCustomPlot *plot = live.form().robot_map;
    const QCPGraphData front = *plot->graph(5)->data()->constBegin();
    QVERIFY(qAbs(front.key + 2) < 1e-4 && qAbs(front.value - 20) < 1e-4);
    QCOMPARE(live.window.track_x, QVector<double>({double(-123.4f), 10}));
    QCOMPARE(live.window.track_y, QVector<double>({double(5.6f), 20}));
    QCOMPARE(shown_track(live.window), stored_track(live.window));
}

void LiveReportsTest::positionsOfOneReadAreRenderedOnce()
{
    LiveWindow live;
    // A plot nobody sees is not rendered at all.
    live.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&live.window));
    QVERIFY(live.connect_port());
    QCustomPlot *plot = live.form().robot_map;
    QSignalSpy renders(live.window.render_pacer, &plot::RenderPacer::frame_drawn);
    QVERIFY(live.play(position_bytes_at(1, 2, 3) + position_bytes_at(4, 5, 6) +
                      position_bytes_at(7, 8, 9)));
    QCOMPARE(live.log_paragraphs(), 1);
    QTRY_COMPARE(renders.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(renders.count(), 1);
    QCOMPARE(live.window.track_x.size(), 3);
    QCOMPARE(plot->graph(0)->data()->size(), 3);
}

void LiveReportsTest::readOutsWaitWhileMinimisedAndShowTheLatestAsRestored()
{
    LiveWindow live;
    live.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&live.window));
    QVERIFY(live.connect_port());
    live.window.showMinimized();
    // Not through play(), which shows the read-outs at once.
    QVERIFY(live.camera.write(position_bytes_at(1, 2, 3) + position_bytes_at(10, 20, 90)));
    QTRY_COMPARE(live.window.location_text, QString("10,20"));
    QTest::qWait(3 * DisplayPacer::kFrameMs);
    QCOMPARE(live.form().current_loc_edit->text(), QString("0,0"));
    // Before any painting of the restored window.
    live.window.showNormal();
    QCOMPARE(live.form().current_loc_edit->text(), QString("10,20"));
    QCOMPARE(live.form().current_angle_edit->text(), QString("90°"));
}

void LiveReportsTest::wrongCheckByteLeavesPoseUnchanged()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(position_bytes_at(10, 20, 90)));
    const std::vector<float> corners(live.window.corner_points, live.window.corner_points + 8);
    PositionBytes bad;
    bad.x_tenths = 1234;
    bad.y_tenths = 56;
    bad.check_offset = 1;
    QVERIFY(live.play(position_bytes(bad)));
    QVERIFY(live.sync(1, 1));
    QCOMPARE(live.form().current_loc_edit->text(), QString("10,20"));
    QCOMPARE(live.window.pos_x, 10.0f);
    QCOMPARE(std::vector<float>(live.window.corner_points, live.window.corner_points + 8), corners);
    QCOMPARE(live.window.track_x.size(), 1);
    QCOMPARE(live.form().robot_map->graph(0)->data()->size(), 1);
}

void LiveReportsTest::errorLampStaysOnTimeOfFirstError()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QTimer *timer = live.window.error_lamp_timer;
    QVERIFY(live.play(hex_bytes("FF FE FE 00 FE FF")));
    QCOMPARE(live.form().error_label->styleSheet(), kRedLamp);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(timer->remainingTime() < 800, 2000);
    // A later error keeps the lamp red but does not put the green back.
    QVERIFY(live.play(hex_bytes("FF FE FE 33 FE FF")));
    QVERIFY(timer->isActive());
    QVERIFY(timer->remainingTime() < 800);
    QTRY_COMPARE_WITH_TIMEOUT(live.form().error_label->styleSheet(), kGreenLamp, 2000);
    QVERIFY(!timer->isActive());
}

void LiveReportsTest::modeTwoBoxShowsTagsAndCodes()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    CodeListBytes bad;
    bad.id = 1;
    bad.check_offset = 1;
    CodeListBytes good;
    good.id = 300;
    good.second_sign = 1;
    good.second_tenths = 1234;
    good.third_tenths = 3600;
    QVERIFY(live.play(code_list_bytes({bad, good})));
    QVERIFY(live.play(hex_bytes("FF FE 00 00 FE FF"))); // a list of no codes
    // Id 300 has high byte 01: the frame is taken for a 12-byte list.
    QVERIFY(live.play(hex_bytes("FF FE 01 2C 01 00 78 00 00 2D 00 96 01 00 5A 2D FE FF")));
    QVERIFY(live.play(hex_bytes("FF FE 00 07 01 00 78 00 00 2D 00 96 01 00 5A 29 FE FF")));
    QCOMPARE(paragraphs(live.form().modle2_msg_edit),
             QStringList({"300   0   -123.4   360", "7   -120   45   150   -90"}));
}

void LiveReportsTest::recordAcknowledgementsAdvanceOnlyOnCurrentId()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(hex_bytes("FF FE 00 05 00 FE FF")));
    QCOMPARE(live.window.transport_index, 0); // no transfer list yet
    live.window.transport_list = {TagRecord{5, 0, 0, 0, 0}, TagRecord{7, 0, 0, 0, 0}};
    QVERIFY(live.play(hex_bytes("FF FE 00 07 00 FE FF")));
    QCOMPARE(live.window.transport_index, 0);
    QVERIFY(live.play(hex_bytes("FF FE 00 05 99 FE FF")));
    QCOMPARE(live.window.transport_index, 1);
    QVERIFY(live.play(hex_bytes("FF FE 00 05 00 FE FF"))); // late repeat
    QCOMPARE(live.window.transport_index, 1);
    QVERIFY(!live.window.all_acked);
    QVERIFY(live.play(hex_bytes("FF FE 00 07 00 FE FF")));
    QCOMPARE(live.window.transport_index, 1);
    QVERIFY(live.window.all_acked);
    live.window.all_acked = false;
    QVERIFY(live.play(hex_bytes("FF FE 00 07 00 FE FF")));
    QVERIFY(live.window.all_acked);
}

void LiveReportsTest::startAndEndAcknowledgementsApplyWithoutTransfer()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(hex_bytes("FF FE FA FE FF")));
    QVERIFY(live.window.start_acked);
    QVERIFY(live.play(hex_bytes("FF FE F0 FE FF")));
    QVERIFY(live.window.start_acked);

    live.window.transport_list = {TagRecord{5, 0, 0, 0, 0}, TagRecord{7, 0, 0, 0, 0}};
    live.window.transport_index = 1;
    live.window.all_acked = true;
    live.form().tableWidget->setEnabled(false);
    live.form().transport_s->setEnabled(false);
    live.form().progressBar->setValue(100);
    live.window.transport_timer->start(50);
    QVERIFY(live.play(hex_bytes("FF FE FB FE FF")));
    QVERIFY(!live.window.transport_timer->isActive());
    QCOMPARE(live.window.transport_index, 0);
    QVERIFY(!live.window.start_acked);
    QVERIFY(!live.window.all_acked);
    QVERIFY(live.form().tableWidget->isEnabled());
    QVERIFY(live.form().transport_s->isEnabled());
    QCOMPARE(live.form().progressBar->value(), 100);
}

void LiveReportsTest::fullTrajectoryShowsEveryNewReport()
{
    LiveWindow live;
    live.window.max_track_points = 3;
    QVERIFY(live.connect_port());
    for (int k = 1; k <= 5; ++k)
        QVERIFY(live.play(position_bytes_at(k, 5, 0)));
    QCOMPARE(live.window.track_x, QVector<double>({3, 4, 5}));
    QCOMPARE(shown_track(live.window), stored_track(live.window));
    QVERIFY(live.play(position_bytes_at(6, 5, 0)));
    QCOMPARE(live.window.track_x, QVector<double>({4, 5, 6}));
    QCOMPARE(shown_track(live.window), stored_track(live.window));
}

void LiveReportsTest::clearingTrajectoryKeepsOutline()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(position_bytes_at(10, 20, 90)));
    QVERIFY(live.play(position_bytes_at(11, 21, 90)));
    const std::vector<float> corners(live.window.corner_points, live.window.corner_points + 8);
    live.form().locus_clean->click();
    QVERIFY(live.window.track_x.isEmpty());
    QVERIFY(live.window.track_y.isEmpty());
    QVERIFY(live.form().robot_map->graph(0)->data()->isEmpty());
    QCOMPARE(std::vector<float>(live.window.corner_points, live.window.corner_points + 8), corners);
    QCOMPARE(live.form().robot_map->graph(1)->data()->size(), 2);
    QVERIFY(live.play(position_bytes_at(12, 22, 90)));
    QCOMPARE(live.window.track_x, QVector<double>({12}));
}

void LiveReportsTest::bothLogsAreBoundedAndPaced()
{
    LiveWindow live;
    for (QTextEdit *log : {live.form().com_message_edit, live.form().modle2_msg_edit}) {
        QVERIFY(log->findChild<PacedLog *>());
        QVERIFY(!log->document()->isUndoRedoEnabled());
    }
}

QTEST_MAIN(LiveReportsTest)
#include "tst_livereports.moc"
