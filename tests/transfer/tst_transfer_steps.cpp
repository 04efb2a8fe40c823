#include "app/mainwindow.h"
#include "modal.h"
#include "protocol/commandframes.h"
#include "protocol/framecutter.h"
#include "pseudoterminal.h"
#include "tags/sheetengine.h"
#include "tags/tagtable.h"
#include "transfer/ledger.h"
#include "transfer/recordcheck.h"
#include "transfer/transfer.h"
#include "ui_mainwindowform.h"

#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(TransferFrame)

namespace
{

const QByteArray kStart("\xFF\xFE\xFA\xFE\xFF", 5);
const QByteArray kEnd("\xFF\xFE\xFB\xFE\xFF", 5);

QByteArray record_frame_of(const TagRecord &record)
{
    QByteArray frame = protocol::record_frame_template();
    protocol::fill_record_frame(frame, record);
    return frame;
}

} // namespace

class TransferStepsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tickFrameFollowsTheAcknowledgementFlags_data();
    void tickFrameFollowsTheAcknowledgementFlags();
    void progressIsTheTruncatedShareOfTheRecordUnderWay_data();
    void progressIsTheTruncatedShareOfTheRecordUnderWay();
    void limitTextIsReadAsAnIntegerAndCappedAt20000_data();
    void limitTextIsReadAsAnIntegerAndCappedAt20000();
    void recordIsRefusedExactlyWhenTheCameraCannotCutItWhole();
    void acknowledgementMovesOnlyTheRecordBeingSent_data();
    void acknowledgementMovesOnlyTheRecordBeingSent();
    void ledgerLinesAreCsvAndAFailureIsSaidNotHidden();

    void settingTheLimitShowsItAndBindsTheImport();
    void startWithThePortClosedWarnsAndChangesNothing();
    void startTakesASnapshotOfTheRowsWithinTheLimit();
    void rowBeyondTheLimitIsNotTaken();
    void startWithNothingToSendReenablesTheControls();
    void startKeepsAStartAcknowledgementThatCameEarly();
    void eachTickWritesTheFrameTheStateCallsFor();
    void interruptionStopsTheTicksAndResetsTheState();

private:
    // Opens the program's port on the pseudo-terminal, as a successful
    // connect leaves it: port open, connect button disabled.
    void open_port();
    void fill_ids(const QStringList &ids);

    MainWindow *window = nullptr;
    std::unique_ptr<PseudoTerminal> camera;
};

void TransferStepsTest::init()
{
    window = new MainWindow;
    camera = std::make_unique<PseudoTerminal>();
    QVERIFY(camera->is_valid());
}

void TransferStepsTest::cleanup()
{
    delete window;
    window = nullptr;
    camera.reset();
}

void TransferStepsTest::open_port()
{
    window->serial->setPortName(camera->slave_path());
    QVERIFY(window->serial->open(QIODevice::ReadWrite));
    window->ui->com_connectBtn->setEnabled(false);
}

void TransferStepsTest::fill_ids(const QStringList &ids)
{
    // Each tag in a place of its own, so that the map is clean.
    for (int row = 0; row < ids.size(); ++row) {
        window->ui->tableWidget->item(row, 0)->setText(ids.at(row));
        window->ui->tableWidget->item(row, 1)->setText(QString::number(row));
    }
}

void TransferStepsTest::tickFrameFollowsTheAcknowledgementFlags_data()
{
    QTest::addColumn<bool>("start_acked");
    QTest::addColumn<bool>("all_acked");
    QTest::addColumn<TransferFrame>("frame");
    QTest::newRow("handshake") << false << false << TransferFrame::start_request;
    QTest::newRow("last record acknowledged before the start")
        << false << true << TransferFrame::nothing;
    QTest::newRow("sending records") << true << false << TransferFrame::current_record;
    QTest::newRow("ending") << true << true << TransferFrame::end_request;
}

void TransferStepsTest::tickFrameFollowsTheAcknowledgementFlags()
{
    QFETCH(bool, start_acked);
    QFETCH(bool, all_acked);
    QFETCH(TransferFrame, frame);
    QCOMPARE(transfer_frame_for(start_acked, all_acked), frame);
}

void TransferStepsTest::progressIsTheTruncatedShareOfTheRecordUnderWay_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("progress");
    QTest::newRow("first of four") << 0 << 4 << 25;
    QTest::newRow("last of four") << 3 << 4 << 100;
    QTest::newRow("first of three") << 0 << 3 << 33;
    QTest::newRow("second of three") << 1 << 3 << 66;
    QTest::newRow("one of 200") << 0 << 200 << 0;
    // 29 / 100 is a little below 0.29 in binary; times 100 it truncates to 28.
    QTest::newRow("quotient first, then times 100") << 28 << 100 << 28;
    QTest::newRow("empty list") << 0 << 0 << 0;
}

void TransferStepsTest::progressIsTheTruncatedShareOfTheRecordUnderWay()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, progress);
    QCOMPARE(transfer_progress(index, size), progress);
}

void TransferStepsTest::limitTextIsReadAsAnIntegerAndCappedAt20000_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::newRow("default") << "200" << 200;
    QTest::newRow("the table's size") << "20000" << 20000;
    QTest::newRow("above the table") << "30000" << 20000;
    QTest::newRow("not a number") << "abc" << 0;
    QTest::newRow("decimal") << "12.5" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("negative stays") << "-5" << -5;
    QTest::newRow("beyond int") << "99999999999" << 0;
}

void TransferStepsTest::limitTextIsReadAsAnIntegerAndCappedAt20000()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QCOMPARE(transport_limit_from_text(text), limit);
}

// The camera cuts what it receives as the host does. Every value each field
// can take, the others held fixed: a record is refused exactly when its frame
// does not come out of the cutter whole.
void TransferStepsTest::recordIsRefusedExactlyWhenTheCameraCannotCutItWhole()
{
    const auto arrives_whole = [](const TagRecord &record) {
        const QByteArray wire = record_frame_of(record);
        bool ff_seen = false, in_frame = false, fe_seen = false;
        QByteArray frame;
        int frames = 0;
        bool whole = false;
        for (char byte : wire)
            if (protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame)) {
                ++frames;
                whole = frame == wire.mid(1, wire.size() - 2);
            }
        return frames == 1 && whole;
    };
    int refused = 0;
    const QStringList headers = tag_table_headers();
    const auto check = [&](const TagRecord &record) {
        const bool refuse = why_camera_cannot_receive(record, headers).has_value();
        refused += refuse;
        if (refuse == arrives_whole(record))
            QFAIL(qPrintable(QString("record %1 %2 %3 %4 %5 refused: %6")
                                 .arg(record.id)
                                 .arg(record.x_cm)
                                 .arg(record.y_cm)
                                 .arg(record.side_mm)
                                 .arg(record.angle_deg)
                                 .arg(refuse)));
    };
    for (int id = 1; id <= 19999; ++id)
        check({id, 1, 1, 1, 1});
    for (int value = -65535; value <= 65535; ++value) {
        check({19999, value, 1, 999, 359});
        check({1, 0, value, 0, -359});
    }
    for (int side = 0; side <= 999; ++side)
        check({7, 65535, 65535, side, 1});
    for (int angle = -359; angle <= 359; ++angle)
        check({7, -65535, 65535, 999, angle});
    // 65279 and 65534, either sign, in x and in y.
    QCOMPARE(refused, 8);
    QCOMPARE(*why_camera_cannot_receive({1, 65279, 0, 0, 0}, headers),
             QString("x坐标(cm)的值65279在帧中形成帧标记FE FF，相机收不到完整的帧"));
    QCOMPARE(*why_camera_cannot_receive({1, 0, -65534, 0, 0}, headers),
             QString("y坐标(cm)的值-65534在帧中形成帧标记FF FE，相机收不到完整的帧"));
}

void TransferStepsTest::acknowledgementMovesOnlyTheRecordBeingSent_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code_id");
    QTest::addColumn<int>("index_after");
    QTest::addColumn<bool>("all_acked_after");
    // Records 0, 1 and 2 carry the ids 5, 6 and 7.
    QTest::newRow("current record") << 3 << 0 << 5 << 1 << false;
    QTest::newRow("an earlier record, late") << 3 << 1 << 5 << 1 << false;
    QTest::newRow("a later record") << 3 << 0 << 6 << 0 << false;
    QTest::newRow("the last record") << 3 << 2 << 7 << 2 << true;
    QTest::newRow("no snapshot yet") << 0 << 0 << 5 << 0 << false;
    QTest::newRow("index past the list") << 3 << 3 << 7 << 3 << false;
}

void TransferStepsTest::acknowledgementMovesOnlyTheRecordBeingSent()
{
    QFETCH(int, size);
    QFETCH(int, index);
    QFETCH(int, code_id);
    QVector<TagRecord> list;
    for (int k = 0; k < size; ++k)
        list.append(TagRecord{5 + k, 0, 0, 0, 0});
    transfer::State state;
    state.list = list;
    state.index = index;
    state = transfer::record_acknowledged(state, code_id);
    QTEST(state.index, "index_after");
    QTEST(state.all_acked, "all_acked_after");
}

void TransferStepsTest::settingTheLimitShowsItAndBindsTheImport()
{
    for (const auto &[text, limit] :
         {std::pair<QString, int>{"30000", 20000}, {"abc", 0}, {"-3", -3}, {"150", 150}}) {
        window->ui->transportNum_edit->setText(text);
        window->ui->transportNum_Btn->click();
        QCOMPARE(window->transport_limit, limit);
        QCOMPARE(window->sheet_engine->row_limit, limit);
        QCOMPARE(window->ui->transportNum_label->text(), QStringLiteral("传输上限:%1").arg(limit));
    }
}

void TransferStepsTest::startWithThePortClosedWarnsAndChangesNothing()
{
    fill_ids({"5"});
    window->transport_list = {TagRecord{9, 0, 0, 0, 0}};
    window->transport_index = 0;
    SeenModal seen;
    answer_next_message_box(QMessageBox::Ok, &seen);
    window->ui->transport_s->click();
    QTRY_VERIFY(seen.seen);
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.title, QStringLiteral("错误"));
    QCOMPARE(seen.text, QStringLiteral("请确认串口已打开"));
    QCOMPARE(seen.button_texts, QStringList({"确定"}));
    QCOMPARE(window->transport_list.size(), 1);
    QCOMPARE(window->transport_list.at(0).id, 9);
    QVERIFY(!window->transport_timer->isActive());
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
}

void TransferStepsTest::startTakesASnapshotOfTheRowsWithinTheLimit()
{
    open_port();
    fill_ids({"5", "0", "-7", "25000"});
    window->ui->tableWidget->item(0, 1)->setText("-120");
    // Two folded ids: sent once the operator says so.
    SeenModal check;
    press_next_box_button(QStringLiteral("仍然传输"), &check);
    window->ui->transport_s->click();
    QCOMPARE(check.title, QStringLiteral("传输前检查"));

    QCOMPARE(window->transport_list.size(), 3);
    QCOMPARE(window->transport_list.at(0), (TagRecord{5, -120, 0, 0, 0}));
    QCOMPARE(window->transport_list.at(1).id, 7);
    QCOMPARE(window->transport_list.at(2).id, 1);
    QCOMPARE(window->transport_index, 0);
    QVERIFY(window->transport_timer->isActive());
    QCOMPARE(window->transport_timer->interval(), 50);
    QVERIFY(!window->ui->tableWidget->isEnabled());
    QVERIFY(!window->ui->transport_s->isEnabled());
    QCOMPARE(window->ui->progressBar->value(), 0);

    // Later edits do not reach the records already taken.
    window->ui->tableWidget->item(0, 0)->setText("8");
    QCOMPARE(window->transport_list.at(0).id, 5);
}

void TransferStepsTest::rowBeyondTheLimitIsNotTaken()
{
    open_port();
    window->ui->transportNum_edit->setText("3");
    window->ui->transportNum_Btn->click();
    fill_ids({"", "", "", "42"});
    // The operator is told of the tag the limit leaves out, and sends anyway.
    SeenModal check;
    press_next_box_button(QStringLiteral("仍然传输"), &check);
    window->ui->transport_s->click();
    QVERIFY(check.text.contains(QStringLiteral("表中第 4 行起还有 1 个标签不在传输范围内")));
    QVERIFY(window->transport_list.isEmpty());
    QVERIFY(!window->transport_timer->isActive());
}

void TransferStepsTest::startWithNothingToSendReenablesTheControls()
{
    open_port();
    window->ui->progressBar->setValue(70);
    window->ui->transportNum_edit->setText("abc");
    window->ui->transportNum_Btn->click();
    fill_ids({"5"});
    // The tag the zero limit leaves out is pointed out first.
    press_next_box_button(QStringLiteral("仍然传输"));
    window->ui->transport_s->click();
    QVERIFY(window->transport_list.isEmpty());
    QVERIFY(!window->transport_timer->isActive());
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
    QCOMPARE(window->ui->progressBar->value(), 0);
    QVERIFY(camera->read_at_least(1, 200).isEmpty());
}

void TransferStepsTest::startKeepsAStartAcknowledgementThatCameEarly()
{
    open_port();
    fill_ids({"5"});
    window->start_acked = true;
    window->ui->transport_s->click();
    QVERIFY(window->start_acked);
    QVERIFY(!window->all_acked);
}

void TransferStepsTest::eachTickWritesTheFrameTheStateCallsFor()
{
    open_port();
    const TagRecord first{300, -120, 45, 150, -90};
    const TagRecord second{1, 0, 0, 0, 0};
    window->transport_list = {first, second, second, second};

    window->slot_timeout();
    QCOMPARE(camera->read_at_least(5), kStart);
    QCOMPARE(window->ui->progressBar->value(), 25);

    window->start_acked = true;
    window->slot_timeout();
    QCOMPARE(camera->read_at_least(18), record_frame_of(first));

    window->transport_index = 3;
    window->slot_timeout();
    QCOMPARE(camera->read_at_least(18), record_frame_of(second));
    QCOMPARE(window->ui->progressBar->value(), 100);

    window->all_acked = true;
    window->slot_timeout();
    QCOMPARE(camera->read_at_least(5), kEnd);
    // The record frame is rebuilt on every tick, whatever is sent.
    QCOMPARE(window->record_frame, record_frame_of(second));

    window->start_acked = false;
    window->slot_timeout();
    QVERIFY(camera->read_at_least(1, 200).isEmpty());
    // The index never moves on a tick; only acknowledgements move it.
    QCOMPARE(window->transport_index, 3);
}

void TransferStepsTest::interruptionStopsTheTicksAndResetsTheState()
{
    open_port();
    fill_ids({"5", "6"});
    window->ui->transport_s->click();
    QVERIFY(window->transport_timer->isActive());
    window->start_acked = true;
    window->transport_index = 1;
    window->ui->progressBar->setValue(50);

    window->ui->transport_e->click();

    QVERIFY(!window->transport_timer->isActive());
    QCOMPARE(window->transport_index, 0);
    QVERIFY(!window->start_acked);
    QVERIFY(!window->all_acked);
    QVERIFY(window->ui->tableWidget->isEnabled());
    QVERIFY(window->ui->transport_s->isEnabled());
    QCOMPARE(window->ui->progressBar->value(), 50);
    QCOMPARE(window->transport_list.size(), 2);
}

void TransferStepsTest::ledgerLinesAreCsvAndAFailureIsSaidNotHidden()
{
    transfer::LedgerLine line;
    line.time_utc = QDateTime(QDate(2026, 12, 9), QTime(6, 30, 5), Qt::UTC);
    line.program = "poscam-map";
    line.port = "rfc2217://robot-7,hall \"B\":2217";
    line.source = "floor, v2.xlsx";
    line.records = 200;
    line.fingerprint = "0123456789abcdef";
    line.outcome = transfer::Outcome::camera_silent;
    line.first_count = "37";
    QCOMPARE(transfer::ledger_text(line),
             QString("2026-12-09T06:30:05Z,poscam-map,\"rfc2217://robot-7,hall \"\"B\"\":2217\",,"
                     "\"floor, v2.xlsx\",200,0123456789abcdef,camera silent,37,"));

    QTemporaryDir folder;
    QVERIFY(!transfer::append_ledger_line(line, folder.path() + "/new"));
    QVERIFY(!transfer::append_ledger_line(line, folder.path() + "/new"));
    QFile written(folder.path() + "/new/transfers.csv");
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), (transfer::ledger_header() + '\n' + transfer::ledger_text(line) +
                                 '\n' + transfer::ledger_text(line) + '\n')
                                    .toUtf8());

    // A folder that cannot be made, because a file holds its name.
    QFile blocker(folder.path() + "/file");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    const std::optional<QString> warning =
        transfer::append_ledger_line(line, folder.path() + "/file/sub");
    QVERIFY(warning && warning->contains("transfers.csv"));
}

QTEST_MAIN(TransferStepsTest)
#include "tst_transfer_steps.moc"
