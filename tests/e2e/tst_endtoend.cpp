#include "camsimprocess.h"
#include "modal.h"
#include "operatorsteps.h"
#include "protocol/commandframes.h"
#include "ui_mainwindowform.h"

#include <QLoggingCategory>
#include <QSerialPort>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <cmath>
#include <qcustomplot.h>

using namespace operator_steps;

namespace
{

// Generous: the suite runs under the sanitizers on a shared machine.
constexpr int kLongWaitMs = 90000;
constexpr int kWaitMs = 20000;

// "positions N spoiled S last X Y R AX AY": what the simulator sent, in the
// wire's units.
struct StreamSummary {
    int sent = 0;
    int spoiled = 0;
    int x_tenths = 0;
    int y_tenths = 0;
    int rotation_tenths = 0;
    int attitude_x_hundredths = 0;
    int attitude_y_hundredths = 0;
};

bool parse_summary(const QString &line, StreamSummary &s)
{
    const QStringList w = line.split(QLatin1Char(' '));
    if (w.size() != 10 || w.at(0) != QLatin1String("positions"))
        return false;
    s.sent = w.at(1).toInt();
    s.spoiled = w.at(3).toInt();
    s.x_tenths = w.at(5).toInt();
    s.y_tenths = w.at(6).toInt();
    s.rotation_tenths = w.at(7).toInt();
    s.attitude_x_hundredths = w.at(8).toInt();
    s.attitude_y_hundredths = w.at(9).toInt();
    return true;
}

QString shown(float value)
{
    return QString::number(value, 'g', 6);
}

int counter(const QString &status, const QString &name)
{
    const QStringList w = status.split(QLatin1Char(' '));
    const int at = w.indexOf(name);
    return at >= 0 && at + 1 < w.size() ? w.at(at + 1).toInt() : -1;
}

QStringList paragraphs(const QTextEdit *edit)
{
    QStringList out;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
        out << block.text();
    return out;
}

QString cell(const MainWindow &window, int row, int column)
{
    const QTableWidgetItem *item = window.ui->tableWidget->item(row, column);
    return item ? item->text() : QString();
}

bool transfer_running(const MainWindow &window)
{
    return window.transport_timer->isActive() || !window.ui->transport_s->isEnabled();
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void streamOfSplitNoisyReportsLosesNoValidReport();
    void importedWorkbookArrivesRecordByRecordDespiteLostLateAndWrongAcks();
    void modeCompensationAndClearAllReachTheCamera();
    void cameraVanishingMidStreamLeavesTheWindowUsable();

private:
    MainWindow *window = nullptr;
    CamsimProcess *camera = nullptr;
};

void EndToEndTest::initTestCase()
{
    // The window logs every position it accepts; thousands of lines say
    // nothing here.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void EndToEndTest::init()
{
    camera = new CamsimProcess;
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void EndToEndTest::cleanup()
{
    delete window;
    window = nullptr;
    const bool clean_exit = camera->stop();
    delete camera;
    camera = nullptr;
    QVERIFY2(clean_exit, "poscam-camsim did not exit cleanly");
}

void EndToEndTest::streamOfSplitNoisyReportsLosesNoValidReport()
{
    QVERIFY(camera->start({"--rate", "1000", "--count", "3000", "--split", "--garbage", "0.3",
                           "--bad-check", "0.02", "--seed", "11"}));
    SeenModal seen;
    connect_to(*window, camera->port(), &seen);
    QVERIFY(window->serial->isOpen());
    QCOMPARE(seen.title, QStringLiteral("打开成功"));

    StreamSummary sent;
    QVERIFY(parse_summary(camera->wait_for_line("positions ", 1, kLongWaitMs), sent));
    QCOMPARE(sent.sent, 3000);
    QVERIFY(sent.spoiled > 0);
    const int valid = sent.sent - sent.spoiled;

    // Every report with a good check byte is one point of the trajectory.
    QTRY_COMPARE_WITH_TIMEOUT(window->track_x.size(), valid, kLongWaitMs);
    QCOMPARE(window->track_y.size(), valid);
    QCOMPARE(window->ui->robot_map->graph(0)->dataCount(), valid);

    // The last pose shown is the last good report's.
    const float x = float(sent.x_tenths) / 10.0f;
    const float y = float(sent.y_tenths) / 10.0f;
    const float angle = float(sent.rotation_tenths) / 10.0f;
    // The read-outs follow at the next display frame.
    QTRY_COMPARE(window->ui->current_loc_edit->text(), shown(x) + "," + shown(y));
    QCOMPARE(window->ui->current_angle_edit->text(), shown(angle) + "°");
    QCOMPARE(window->ui->current_angx_edit->text(),
             shown(float(sent.attitude_x_hundredths) / 100.0f) + "°");
    QCOMPARE(window->ui->current_angy_edit->text(),
             shown(float(sent.attitude_y_hundredths) / 100.0f) + "°");
    QCOMPARE(window->track_x.last(), double(x));
    QCOMPARE(window->track_y.last(), double(y));

    // The outline stands at that pose: 12 wide, 24 long, front to +y at 0.
    const double theta = angle / 180.0 * 3.14159265;
    const double c = std::cos(theta), s = std::sin(theta);
    const double local[4][2] = {{-6, 12}, {6, 12}, {6, -12}, {-6, -12}};
    for (int k = 0; k < 4; ++k) {
        const double cx = x + local[k][0] * c - local[k][1] * s;
        const double cy = y + local[k][0] * s + local[k][1] * c;
        QVERIFY2(std::fabs(window->corner_points[2 * k] - cx) < 1e-3 &&
                     std::fabs(window->corner_points[2 * k + 1] - cy) < 1e-3,
                 qPrintable(QStringLiteral("corner %1").arg(k + 1)));
    }

    // The frames did reach the window cut at other places than their own
    // boundaries, and with noise between them.
    const QStringList reads = paragraphs(window->ui->com_message_edit);
    qInfo("%d reports sent, %d of them with a spoiled check byte, read by the window in %d "
          "pieces",
          sent.sent, sent.spoiled, int(reads.size()));
    QVERIFY(std::any_of(reads.begin(), reads.end(), [](const QString &read) {
        return !read.startsWith(QLatin1String("FF FE "));
    }));
}

void EndToEndTest::importedWorkbookArrivesRecordByRecordDespiteLostLateAndWrongAcks()
{
    QVERIFY(
        camera->start({"--rate", "20", "--drop-acks", "0.3", "--wrong-ids", "0.2", "--seed", "5"}));
    connect_to(*window, camera->port());
    QVERIFY(window->serial->isOpen());

    QVERIFY(import_workbook(*window, QStringLiteral(POSCAM_TEST_DATA_DIR "/e2e_transfer.xlsx")));
    QCOMPARE(cell(*window, 0, 0), QStringLiteral("二维码id"));
    QCOMPARE(cell(*window, 2, 0), QStringLiteral("19999"));
    const int limit = 30;
    set_limit(*window, limit);

    // The tags past the limit bring up the check (the header row does not); the
    // operator sends the map anyway.
    SeenModal check;
    press_next_box_button(QStringLiteral("仍然传输"), &check);
    QTest::mouseClick(window->ui->transport_s, Qt::LeftButton);
    QCOMPARE(check.title, QStringLiteral("传输前检查"));
    QVERIFY(transfer_running(*window));
    QTRY_VERIFY_WITH_TIMEOUT(!transfer_running(*window), kLongWaitMs);
    QCOMPARE(window->ui->progressBar->value(), 100);

    // What the table held within the limit, in table order.
    QVector<TagRecord> expected;
    QVector<int> rows;
    for (int row = 0; row < limit; ++row) {
        if (const std::optional<TagRecord> record = window->tag_record_from_row(row)) {
            expected << *record;
            rows << row;
        }
    }
    QCOMPARE(expected.size(), 27);
    // The camera's count report may follow its end acknowledgement.
    QTRY_COMPARE_WITH_TIMEOUT(window->ui->sendNum_edit->text(), QString::number(expected.size()),
                              kWaitMs);
    QCOMPARE(window->ui->allNum_edit->text(), QString::number(expected.size()));

    const QStringList map = camera->received_map().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!map.isEmpty());
    QCOMPARE(map.first(), QStringLiteral("id\tx_cm\ty_cm\tside_mm\tangle_deg\tframe"));
    QCOMPARE(map.size() - 1, expected.size());
    for (int k = 0; k < expected.size(); ++k) {
        const QStringList fields = map.at(k + 1).split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 6);
        // The fields as the operator typed them...
        for (int column = 0; column < 5; ++column)
            QCOMPARE(fields.at(column), cell(*window, rows.at(k), column));
        // ...and the frame byte for byte as the window built it.
        QByteArray frame = protocol::record_frame_template();
        protocol::fill_record_frame(frame, expected.at(k));
        QCOMPARE(fields.at(5), QString::fromLatin1(frame.toHex().toUpper()));
    }

    // The faults did happen on the way.
    camera->command(QStringLiteral("status"));
    const QString status = camera->wait_for_line(QStringLiteral("status "));
    QVERIFY2(counter(status, "dropped") > 0, qPrintable(status));
    QVERIFY2(counter(status, "wrong_ids") > 0, qPrintable(status));
}

void EndToEndTest::modeCompensationAndClearAllReachTheCamera()
{
    // On a floor a metre wide the robot never leaves the tag at 10,-20 out of
    // the camera's view.
    QVERIFY(camera->start({"--rate", "20", "--mode2-interval", "100", "--floor", "100"}));
    connect_to(*window, camera->port());
    QVERIFY(window->serial->isOpen());

    // One tag in the camera, so that clearing has something to clear.
    type_row(*window, 0, {"5", "10", "-20", "60", "45"});
    QTest::mouseClick(window->ui->transport_s, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!transfer_running(*window), kWaitMs);

    QTest::mouseClick(window->ui->modle2, Qt::LeftButton);
    // Mode 2 brings the camera's code lists and tag reports into the box.
    QTRY_VERIFY_WITH_TIMEOUT(
        paragraphs(window->ui->modle2_msg_edit).contains("5   10   -20   60   45"), kWaitMs);
    QVERIFY(paragraphs(window->ui->modle2_msg_edit).first().startsWith("5   "));
    QTest::mouseClick(window->ui->need_angle_Btn, Qt::LeftButton);
    QTest::mouseClick(window->ui->NOneed_angle_Btn, Qt::LeftButton);
    clear_all(*window, QMessageBox::No);
    QTest::mouseClick(window->ui->modle1, Qt::LeftButton);
    clear_all(*window, QMessageBox::Yes);
    QTRY_VERIFY_WITH_TIMEOUT(camera->frame_log().contains("clear all tags"), kWaitMs);

    QStringList heard;
    for (const QString &line : camera->frame_log().split(QLatin1Char('\n')))
        if (line.contains(QLatin1String(" host  ")))
            heard << line.mid(line.indexOf(QLatin1String(" host  ")) + 7);
    const QStringList commands = heard.mid(heard.lastIndexOf("FF FE FB FE FF  transfer end") + 1);
    QCOMPARE(commands,
             (QStringList{"FF FE F1 FE FF  mode 2",
                          "FF FE 0A 0B 0C 0D 0E 0F 01 01 09 FE FF  angle compensation on",
                          "FF FE 0A 0B 0C 0D 0E 0F 01 00 08 FE FF  angle compensation off",
                          "FF FE F0 FE FF  mode 1", "FF FE FC FE FF  clear all tags"}));
    QVERIFY(camera->frame_log().contains("tag map cleared, 1 tags forgotten"));

    camera->command(QStringLiteral("status"));
    const QString status = camera->wait_for_line(QStringLiteral("status "));
    QCOMPARE(counter(status, "mode"), 1);
    QCOMPARE(counter(status, "tags"), 0);
    QVERIFY(status.contains(QLatin1String("compensation off")));
}

void EndToEndTest::cameraVanishingMidStreamLeavesTheWindowUsable()
{
    QVERIFY(camera->start({"--rate", "200", "--vanish-after", "300"}));
    const QString first_port = camera->port();
    connect_to(*window, first_port);
    QVERIFY(window->serial->isOpen());
    const QString port_name = window->serial->portName();
    SeenModal lost;
    accept_next_message_box(&lost);
    QVERIFY(!camera->wait_for_line(QStringLiteral("vanished"), 1, kWaitMs).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!window->track_x.isEmpty(), kWaitMs);

    // The window closes the lost port by itself and says so.
    QTRY_VERIFY_WITH_TIMEOUT(lost.seen, kWaitMs);
    QCOMPARE(lost.title, QStringLiteral("错误"));
    QCOMPARE(lost.text, QStringLiteral("串口已断开") + port_name);
    QVERIFY(!window->serial->isOpen());
    QVERIFY(window->ui->com_connectBtn->isEnabled());
    QVERIFY(window->ui->SerialPortBox->isEnabled());
    QTest::mouseClick(window->ui->modle2, Qt::LeftButton);
    QVERIFY(window->isVisible());

    // The old port is gone for good...
    SeenModal failed;
    connect_to(*window, first_port, &failed);
    QVERIFY(!window->serial->isOpen());
    QCOMPARE(failed.title, QStringLiteral("打开失败"));

    // ...until the camera is plugged in again, on a new port (which may
    // well reuse the old name).
    camera->command(QStringLiteral("reopen"));
    QVERIFY(!camera->wait_for_line(QStringLiteral("port "), 2, kWaitMs).isEmpty());
    const int points_before = window->track_x.size();
    SeenModal opened;
    connect_to(*window, camera->port(), &opened);
    QVERIFY(window->serial->isOpen());
    QCOMPARE(opened.title, QStringLiteral("打开成功"));
    QTRY_VERIFY_WITH_TIMEOUT(window->track_x.size() > points_before + 20, kWaitMs);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
