#include "app/mainwindow.h"
#include "app/pacedlog.h"
#include "app/sheettable.h"
#include "modal.h"
#include "protocol/commandframes.h"
#include "scriptedcamera.h"
#include "tags/sheetengine.h"
#include "transfer/ledger.h"
#include "ui_mainwindowform.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <memory>

namespace
{

QByteArray tag_frame(const TagRecord &record)
{
    QByteArray frame = protocol::record_frame_template();
    protocol::fill_record_frame(frame, record);
    return frame;
}

} // namespace

// A whole transfer against a camera played on the master side of a real
// pseudo-terminal, through the program's own connect, receive and decode path.
class TransferOverPtyTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void handshakeRepeatsTheStartRequestUntilAcknowledged();
    void recordsGoOutInOrderEachUntilAcknowledgedByItsId();
    void acknowledgementWithAnotherIdIsIgnored();
    void endRequestRepeatsUntilTheCameraEndsTheTransfer();
    void progressFollowsTheAcknowledgedRecords();
    void interruptionStopsTheRequestsAtOnce();
    void disconnectEndsTheTransferAndReenablesTheControls();
    void everyTransferLeavesALedgerLineWithItsFingerprint();
    void startWithThePortClosedSendsNothing();
    void idsFiveZeroMinusSevenAnd25000GoOutAsFiveSevenOne();
    void recordTheCameraCannotReceiveStopsTheStartWithItsRow();
    void mapWithFindingsWaitsForTheOperatorsAnswer_data();
    void mapWithFindingsWaitsForTheOperatorsAnswer();
    // Last: a box that never comes leaves its watcher armed for a while.
    void exampleWorkbookWithColumnTitlesGoesWithoutABox();

private:
    void fill_rows(const QVector<QStringList> &rows);
    // Starts a transfer of the table and answers the handshake.
    void start_and_pass_handshake();

    MainWindow *window = nullptr;
    std::unique_ptr<ScriptedCamera> camera;
};

void TransferOverPtyTest::init()
{
    window = new MainWindow;
    camera = std::make_unique<ScriptedCamera>();
    QVERIFY(camera->is_valid());
    QVERIFY(camera->connect_window(*window));
}

void TransferOverPtyTest::cleanup()
{
    delete window;
    window = nullptr;
    camera.reset();
}

void TransferOverPtyTest::fill_rows(const QVector<QStringList> &rows)
{
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < rows.at(row).size(); ++column)
            window->ui->tableWidget->item(row, column)->setText(rows.at(row).at(column));
}

void TransferOverPtyTest::start_and_pass_handshake()
{
    window->ui->transport_s->click();
    QCOMPARE(camera->next_frame(), kStartRequest);
    camera->acknowledge_start();
    QTRY_VERIFY(window->start_acked);
    // Drop whatever start requests were already on their way.
    QByteArray frame;
    do {
        frame = camera->next_frame();
    } while (frame == kStartRequest);
    QCOMPARE(frame.size(), 18);
}

void TransferOverPtyTest::handshakeRepeatsTheStartRequestUntilAcknowledged()
{
    fill_rows({{"1", "10"}, {"2", "20"}, {"3", "30"}, {"4", "40"}});
    window->ui->transport_s->click();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(camera->next_frame(), kStartRequest);
    QCOMPARE(window->ui->progressBar->value(), 25);
    QVERIFY(!window->start_acked);

    camera->acknowledge_start();
    QTRY_VERIFY(window->start_acked);
    QByteArray frame;
    do {
        frame = camera->next_frame();
    } while (frame == kStartRequest);
    QCOMPARE(frame, tag_frame(TagRecord{1, 10, 0, 0, 0}));
}

void TransferOverPtyTest::recordsGoOutInOrderEachUntilAcknowledgedByItsId()
{
    fill_rows({{"300", "-120", "45", "150", "-90"}, {"301", "65535", "-65535", "999", "359"}});
    start_and_pass_handshake();
    const QByteArray first = tag_frame(TagRecord{300, -120, 45, 150, -90});
    QCOMPARE(camera->next_frame(), first);
    QCOMPARE(camera->next_frame(), first);

    camera->acknowledge_record(300);
    QTRY_COMPARE(window->transport_index, 1);
    QByteArray frame;
    do {
        frame = camera->next_frame();
    } while (frame == first);
    QCOMPARE(frame, tag_frame(TagRecord{301, 65535, -65535, 999, 359}));
}

void TransferOverPtyTest::acknowledgementWithAnotherIdIsIgnored()
{
    fill_rows({{"7"}, {"8", "1"}});
    start_and_pass_handshake();
    camera->acknowledge_record(8);
    camera->acknowledge_record(6);
    // Two more ticks after the wrong acknowledgements have been read.
    camera->next_frame();
    camera->next_frame();
    QCOMPARE(camera->next_frame(), tag_frame(TagRecord{7, 0, 0, 0, 0}));
    QCOMPARE(window->transport_index, 0);
    QVERIFY(!window->all_acked);
}

void TransferOverPtyTest::endRequestRepeatsUntilTheCameraEndsTheTransfer()
{
    fill_rows({{"9", "1", "2", "3", "4"}});
    start_and_pass_handshake();
    camera->acknowledge_record(9);
    QTRY_VERIFY(window->all_acked);
    QCOMPARE(window->transport_index, 0);
    QByteArray frame;
    do {
        frame = camera->next_frame();
    } while (frame.size() == 18);
    QCOMPARE(frame, kEndRequest);
    QCOMPARE(camera->next_frame(), kEndRequest);
    QCOMPARE(window->ui->progressBar->value(), 100);

    camera->acknowledge_end();
    QTRY_VERIFY(!window->transport_timer->isActive());
    QVERIFY(!window->start_acked);
    QVERIFY(!window->all_acked);
    QCOMPARE(window->transport_index, 0);
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
    QCOMPARE(window->ui->progressBar->value(), 100);
    camera->collect_for(60);
    QVERIFY(camera->collect_for(200).isEmpty());
}

void TransferOverPtyTest::progressFollowsTheAcknowledgedRecords()
{
    fill_rows({{"1"}, {"2", "1"}, {"3", "2"}});
    start_and_pass_handshake();
    QTRY_COMPARE(window->ui->progressBar->value(), 33);
    camera->acknowledge_record(1);
    QTRY_COMPARE(window->ui->progressBar->value(), 66);
    camera->acknowledge_record(2);
    QTRY_COMPARE(window->ui->progressBar->value(), 100);
    camera->acknowledge_record(3);
    QTRY_VERIFY(window->all_acked);
    QCOMPARE(window->ui->progressBar->value(), 100);
}

void TransferOverPtyTest::interruptionStopsTheRequestsAtOnce()
{
    fill_rows({{"1"}});
    window->ui->transport_s->click();
    QCOMPARE(camera->next_frame(), kStartRequest);
    window->ui->transport_e->click();
    QVERIFY(!window->transport_timer->isActive());
    // A frame already handed to the port may still be under way.
    camera->collect_for(60);
    QVERIFY(camera->collect_for(250).isEmpty());
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
}

void TransferOverPtyTest::disconnectEndsTheTransferAndReenablesTheControls()
{
    fill_rows({{"1"}, {"2", "1"}});
    start_and_pass_handshake();
    camera->acknowledge_record(1);
    QTRY_COMPARE(window->transport_index, 1);

    window->ui->com_disconnectBtn->click();

    QVERIFY(!window->serial->isOpen());
    QVERIFY(!window->transport_timer->isActive());
    QCOMPARE(window->transport_index, 0);
    QVERIFY(!window->start_acked);
    QVERIFY(!window->all_acked);
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
    QVERIFY(window->ui->com_connectBtn->isEnabled());
}

void TransferOverPtyTest::everyTransferLeavesALedgerLineWithItsFingerprint()
{
    QFile ledger(transfer::ledger_folder() + QStringLiteral("/transfers.csv"));
    ledger.remove();
    fill_rows({{"9", "1", "2", "3", "4"}, {"12", "-5"}});
    // The fingerprint worked out here from the frames on the line, apart from
    // the program's own.
    const QString expected =
        QString::fromLatin1(QCryptographicHash::hash(tag_frame(TagRecord{9, 1, 2, 3, 4}) +
                                                         tag_frame(TagRecord{12, -5, 0, 0, 0}),
                                                     QCryptographicHash::Sha256)
                                .left(8)
                                .toHex());

    start_and_pass_handshake();
    window->ui->transport_e->click();
    start_and_pass_handshake();
    camera->acknowledge_record(9);
    QTRY_COMPARE(window->transport_index, 1);
    camera->acknowledge_record(12);
    QTRY_VERIFY(window->all_acked);
    camera->acknowledge_end();
    QTRY_VERIFY(!window->transport_timer->isActive());

    window->receive_log->flush();
    QCOMPARE(window->ui->com_message_edit->document()->lastBlock().text(),
             QStringLiteral("地图指纹 ") + expected);
    QVERIFY(ledger.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = ledger.readAll().split('\n');
    QCOMPARE(lines.size(), 4); // the header, two transfers, the last line end
    QVERIFY(lines.at(0).startsWith("time_utc,program,port"));
    const QString port = camera->port_path();
    for (int line = 1; line <= 2; ++line) {
        const QStringList fields = QString::fromUtf8(lines.at(line)).split(QLatin1Char(','));
        QCOMPARE(fields.size(), 10);
        QVERIFY(QDateTime::fromString(fields.at(0), Qt::ISODate).isValid());
        QCOMPARE(fields.mid(1, 7), (QStringList{"poscam", port, "", "table", "2", expected,
                                                line == 1 ? "interrupted" : "completed"}));
    }
}

void TransferOverPtyTest::startWithThePortClosedSendsNothing()
{
    window->ui->com_disconnectBtn->click();
    camera->collect_for(30);
    fill_rows({{"5"}});
    SeenModal seen;
    answer_next_message_box(QMessageBox::Ok, &seen);
    window->ui->transport_s->click();
    QTRY_VERIFY(seen.seen);
    QCOMPARE(seen.text, QStringLiteral("请确认串口已打开"));
    QVERIFY(!window->transport_timer->isActive());
    QVERIFY(camera->collect_for(200).isEmpty());
}

void TransferOverPtyTest::idsFiveZeroMinusSevenAnd25000GoOutAsFiveSevenOne()
{
    fill_rows({{"5", "10"}, {"0", "20"}, {"-7", "30"}, {"25000", "40"}});
    // Two folded ids: the operator is asked first.
    SeenModal seen;
    press_next_box_button(QStringLiteral("仍然传输"), &seen);
    start_and_pass_handshake();
    QVERIFY(seen.seen);
    QVector<int> sent;
    for (int id : {5, 7, 1}) {
        QByteArray frame;
        do {
            frame = camera->next_frame();
        } while (!sent.isEmpty() && frame_id(frame) == sent.last());
        sent << frame_id(frame);
        QCOMPARE(frame_id(frame), id);
        camera->acknowledge_record(id);
    }
    QTRY_VERIFY(window->all_acked);
    QCOMPARE(sent, (QVector<int>{5, 7, 1}));
    QCOMPARE(window->transport_list.at(1).x_cm, 30);
}

void TransferOverPtyTest::recordTheCameraCannotReceiveStopsTheStartWithItsRow()
{
    // Row 1 is fine at 65278; row 3 (row 2 has no id) is not.
    fill_rows({{"1", "65278", "-65278"}, {}, {"3", "0", "65534"}, {"4", "65279"}});
    SeenModal seen;
    accept_next_message_box(&seen);
    window->ui->transport_s->click();
    QVERIFY(seen.seen);
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.title, QString("错误"));
    QCOMPARE(seen.text, QString("第3行的标签无法传输：\ny坐标(cm)的值65534在帧中形成帧标记FF FE，"
                                "相机收不到完整的帧"));
    QCOMPARE(seen.button_texts, QStringList{"确定"});
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
    QVERIFY(!window->transport_timer->isActive());
    QVERIFY(camera->collect_for(200).isEmpty());

    window->ui->tableWidget->item(2, 2)->setText("65533");
    window->ui->tableWidget->item(3, 1)->setText("-65279");
    accept_next_message_box(&seen);
    window->ui->transport_s->click();
    QVERIFY(seen.text.startsWith("第4行"));
    QVERIFY(camera->collect_for(200).isEmpty());

    window->ui->tableWidget->item(3, 1)->setText("65278");
    start_and_pass_handshake();
    QCOMPARE(camera->next_frame(), tag_frame(TagRecord{1, 65278, -65278, 0, 0}));
}

void TransferOverPtyTest::mapWithFindingsWaitsForTheOperatorsAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("sent");
    QTest::newRow("仍然传输") << QStringLiteral("仍然传输") << true;
    QTest::newRow("取消") << QStringLiteral("取消") << false;
    QTest::newRow("Escape") << QString() << false;
}

void TransferOverPtyTest::mapWithFindingsWaitsForTheOperatorsAnswer()
{
    QFETCH(QString, answer);
    QFETCH(bool, sent);
    fill_rows({{"1", "70000", "12.5"}, {"1", "5"}});
    SeenModal seen;
    press_next_box_button(answer, &seen);
    window->ui->transport_s->click();
    QTRY_VERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("传输前检查"));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QVERIFY(seen.button_texts.contains(QStringLiteral("仍然传输")));
    QVERIFY(seen.button_texts.contains(QStringLiteral("取消")));
    QCOMPARE(seen.default_button, QStringLiteral("取消"));
    QVERIFY(
        seen.text.contains(QStringLiteral("第 1 行 x坐标(cm) “70000”：超出范围，相机收到 4464")));
    QVERIFY(seen.text.contains(QStringLiteral("编号重复：1 处")));
    if (!sent) {
        QVERIFY(!window->transport_timer->isActive());
        QVERIFY(window->ui->tableWidget->isEnabled());
        QVERIFY(window->ui->transport_s->isEnabled());
        QVERIFY(camera->collect_for(200).isEmpty());
        return;
    }
    // Exactly today's frames: the handshake, then both rows as converted.
    QCOMPARE(camera->next_frame(), kStartRequest);
    camera->acknowledge_start();
    QByteArray frame;
    do {
        frame = camera->next_frame();
    } while (frame == kStartRequest);
    QCOMPARE(frame, tag_frame(TagRecord{1, 4464, 0, 0, 0}));
    camera->acknowledge_record(1);
    do {
        frame = camera->next_frame();
    } while (frame == tag_frame(TagRecord{1, 4464, 0, 0, 0}));
    QCOMPARE(frame, tag_frame(TagRecord{1, 5, 0, 0, 0}));
}

void TransferOverPtyTest::exampleWorkbookWithColumnTitlesGoesWithoutABox()
{
    SheetEngine engine;
    engine.row_limit = window->transport_limit;
    QVERIFY(
        engine.open(QStringLiteral(POSCAM_TEST_DATA_DIR "/../../examples/tag_map.xlsx"), 1, false));
    QVERIFY(read_into_table(engine, window->ui->tableWidget));
    QCOMPARE(window->ui->tableWidget->item(0, 0)->text(), QStringLiteral("二维码id"));
    // Outlives the test, since the watcher may.
    static SeenModal seen;
    press_next_box_button(QStringLiteral("取消"), &seen);
    window->ui->transport_s->click();
    QCOMPARE(camera->next_frame(), kStartRequest);
    QVERIFY(!seen.seen);
    QCOMPARE(window->transport_list.size(), 25);
}

QTEST_MAIN(TransferOverPtyTest)
#include "tst_transfer_over_pty.moc"
