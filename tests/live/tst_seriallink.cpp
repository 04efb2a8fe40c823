#include "app/pacedlog.h"
#include "camerareports.h"
#include "livewindow.h"

#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>
#include <ctime>
#include <memory>

namespace
{

QList<QWidget *> port_controls(Ui::MainWindowForm &form)
{
    return {form.SerialPortBox, form.BaudRateBox,    form.DataBitBox,    form.ParityBox,
            form.StopBitBox,    form.FlowControlBox, form.com_connectBtn};
}

bool all_enabled(const QList<QWidget *> &widgets, bool enabled)
{
    for (QWidget *widget : widgets) {
        if (widget->isEnabled() != enabled)
            return false;
    }
    return true;
}

// A transfer in the middle of its records, as the transfer slots leave it.
void pretend_transfer_running(LiveWindow &live)
{
    transfer::State state;
    state.list = {TagRecord{5, 0, 0, 0, 0}, TagRecord{7, 0, 0, 0, 0}};
    state.index = 1;
    state.start_acked = true;
    state.all_acked = true;
    state.running = true;
    live.window.apply_transfer(state);
}

double thread_cpu_seconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Loses the camera's line mid-stream, as an unplugged adapter does, and
// answers the warning that follows.
void unplug(LiveWindow &live, SeenModal &seen)
{
    QVERIFY(live.play(QByteArray::fromHex("FFFEFD0001")));
    accept_next_message_box(&seen);
    live.camera.close_master();
    QTRY_VERIFY(seen.seen);
}

} // namespace

class SerialLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void connectShowsSuccessAndLocksSettings();
    void connectToMissingPortShowsWhyAndChangesNothing();
    void settingBoxesBecomePortSettings_data();
    void settingBoxesBecomePortSettings();
    void disconnectClosesAndUnlocksSettings();
    void disconnectDuringTransferEndsIt();
    void disconnectWithoutTransferOnlyZeroesIndex();
    void disconnectInMidFrameDropsTheRestOfIt();
    void unpluggedAdapterEndsTheConnectionAndTheTransferAndSaysSo();
    void afterALostPortAFreshConnectShowsNewPositions();
    void lostDeviceThatComesBackIsOpenedAgainByItself();
    void errorLampTurnsGreenAndTimerStops();
    void portListFollowsNamesNotOnlyTheirCount();
};

void SerialLinkTest::connectShowsSuccessAndLocksSettings()
{
    LiveWindow live;
    QVERIFY(live.camera.is_valid());
    SeenModal seen;
    live.press_connect(&seen);
    QVERIFY(live.window.serial->isOpen());
    QVERIFY(seen.seen);
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.title, QString("打开成功"));
    QCOMPARE(seen.text, "已成功打开串口" + live.camera.slave_path());
    QCOMPARE(seen.button_texts, QStringList{"确定"});
    QVERIFY(all_enabled(port_controls(live.form()), false));
    QVERIFY(live.form().com_disconnectBtn->isEnabled());
    QVERIFY(live.play(QByteArray::fromHex("FFFEFD0005012CFEFF")));
    QCOMPARE(live.form().sendNum_edit->text(), QString("5"));
}

void SerialLinkTest::connectToMissingPortShowsWhyAndChangesNothing()
{
    LiveWindow live;
    live.form().SerialPortBox->addItem("ttyNoSuchPort");
    live.form().SerialPortBox->setCurrentText("ttyNoSuchPort");
    SeenModal seen;
    accept_next_message_box(&seen);
    live.form().com_connectBtn->click();
    QVERIFY(seen.seen);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.title, QString("打开失败"));
    QCOMPARE(seen.text, QString("未能打开串口ttyNoSuchPort\n该串口设备不存在或已被占用"));
    QCOMPARE(seen.button_texts, QStringList{"确定"});
    QVERIFY(!live.window.serial->isOpen());
    QVERIFY(all_enabled(port_controls(live.form()), true));
}

void SerialLinkTest::settingBoxesBecomePortSettings_data()
{
    QTest::addColumn<int>("baud_index");
    QTest::addColumn<int>("data_index");
    QTest::addColumn<int>("stop_index");
    QTest::addColumn<int>("parity_index");
    QTest::addColumn<int>("flow_index");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("data_bits");
    QTest::addColumn<int>("stop_bits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("flow");

    QTest::newRow("defaults") << 4 << 3 << 0 << 0 << 0 << 115200 << int(QSerialPort::Data8)
                              << int(QSerialPort::OneStop) << int(QSerialPort::NoParity)
                              << int(QSerialPort::NoFlowControl);
    QTest::newRow("57600, 5 bits, 1.5 stop, even, software")
        << 3 << 0 << 1 << 1 << 2 << 57600 << int(QSerialPort::Data5)
        << int(QSerialPort::OneAndHalfStop) << int(QSerialPort::EvenParity)
        << int(QSerialPort::SoftwareControl);
    QTest::newRow("9600, 7 bits, 2 stop, mark, hardware")
        << 0 << 2 << 2 << 4 << 1 << 9600 << int(QSerialPort::Data7) << int(QSerialPort::TwoStop)
        << int(QSerialPort::MarkParity) << int(QSerialPort::HardwareControl);
    QTest::newRow("56000, 6 bits, odd")
        << 2 << 1 << 0 << 2 << 0 << 56000 << int(QSerialPort::Data6) << int(QSerialPort::OneStop)
        << int(QSerialPort::OddParity) << int(QSerialPort::NoFlowControl);
    QTest::newRow("38400, space") << 1 << 3 << 0 << 3 << 0 << 38400 << int(QSerialPort::Data8)
                                  << int(QSerialPort::OneStop) << int(QSerialPort::SpaceParity)
                                  << int(QSerialPort::NoFlowControl);
}

void SerialLinkTest::settingBoxesBecomePortSettings()
{
    QFETCH(int, baud_index);
    QFETCH(int, data_index);
    QFETCH(int, stop_index);
    QFETCH(int, parity_index);
    QFETCH(int, flow_index);
    LiveWindow live;
    live.form().BaudRateBox->setCurrentIndex(baud_index);
    live.form().DataBitBox->setCurrentIndex(data_index);
    live.form().StopBitBox->setCurrentIndex(stop_index);
    live.form().ParityBox->setCurrentIndex(parity_index);
    live.form().FlowControlBox->setCurrentIndex(flow_index);
    // A pseudo-terminal may refuse some line settings; the port object keeps
    // what it was given either way.
    live.press_connect();
    QSerialPort &port = *live.window.serial;
    QCOMPARE("/dev/" + port.portName(), live.camera.slave_path());
    QTEST(int(port.baudRate(QSerialPort::Input)), "baud");
    QTEST(int(port.baudRate(QSerialPort::Output)), "baud");
    QTEST(int(port.dataBits()), "data_bits");
    QTEST(int(port.stopBits()), "stop_bits");
    QTEST(int(port.parity()), "parity");
    QTEST(int(port.flowControl()), "flow");
}

void SerialLinkTest::disconnectClosesAndUnlocksSettings()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    live.form().com_disconnectBtn->click();
    QVERIFY(!live.window.serial->isOpen());
    QVERIFY(all_enabled(port_controls(live.form()), true));
    // Twice in a row is harmless.
    live.form().com_disconnectBtn->click();
    QVERIFY(all_enabled(port_controls(live.form()), true));
}

void SerialLinkTest::disconnectDuringTransferEndsIt()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    pretend_transfer_running(live);
    live.form().com_disconnectBtn->click();
    QVERIFY(!live.window.transport_timer->isActive());
    QCOMPARE(live.window.transport_index, 0);
    QVERIFY(!live.window.start_acked);
    QVERIFY(!live.window.all_acked);
    QVERIFY(live.form().transport_s->isEnabled());
    QVERIFY(live.form().tableWidget->isEnabled());
}

void SerialLinkTest::disconnectWithoutTransferOnlyZeroesIndex()
{
    LiveWindow live;
    live.window.transport_index = 3;
    live.window.start_acked = true;
    live.window.all_acked = true;
    live.form().com_disconnectBtn->click();
    QCOMPARE(live.window.transport_index, 0);
    QVERIFY(live.window.start_acked);
    QVERIFY(live.window.all_acked);
}

void SerialLinkTest::disconnectInMidFrameDropsTheRestOfIt()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    QVERIFY(live.play(QByteArray::fromHex("FFFEFD00")));
    QVERIFY(live.window.rx_in_frame);
    live.form().com_disconnectBtn->click();
    QVERIFY(!live.window.rx_ff_seen);
    QVERIFY(!live.window.rx_in_frame);
    QVERIFY(!live.window.rx_fe_seen);
    QVERIFY(live.window.rx_frame.isEmpty());

    QVERIFY(live.connect_port());
    QVERIFY(live.play(QByteArray::fromHex("05012CFEFF")));
    QCOMPARE(live.form().sendNum_edit->text(), QString("0"));
    QVERIFY(live.sync(7, 8));
}

void SerialLinkTest::unpluggedAdapterEndsTheConnectionAndTheTransferAndSaysSo()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    pretend_transfer_running(live);
    const QString port_name = live.window.serial->portName();
    SeenModal seen;
    unplug(live, seen);
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.title, QString("错误"));
    QCOMPARE(seen.text, "串口已断开" + port_name);
    QCOMPARE(seen.button_texts, QStringList{"确定"});
    // As the disconnect button leaves it.
    QVERIFY(!live.window.serial->isOpen());
    QVERIFY(all_enabled(port_controls(live.form()), true));
    QVERIFY(!live.window.rx_in_frame);
    QVERIFY(live.window.rx_frame.isEmpty());
    QVERIFY(!live.window.transport_timer->isActive());
    QCOMPARE(live.window.transport_index, 0);
    QVERIFY(!live.window.start_acked && !live.window.all_acked);
    QVERIFY(live.form().transport_s->isEnabled());
    QVERIFY(live.form().tableWidget->isEnabled());

    // The window waits for the operator again instead of polling a dead line.
    QSignalSpy errors(live.window.serial, &QSerialPort::errorOccurred);
    const double cpu_before = thread_cpu_seconds();
    QTest::qWait(500);
    QCOMPARE(errors.count(), 0);
    QVERIFY2(thread_cpu_seconds() - cpu_before < 0.1,
             qPrintable(QString::number(thread_cpu_seconds() - cpu_before)));
}

void SerialLinkTest::afterALostPortAFreshConnectShowsNewPositions()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    SeenModal seen;
    unplug(live, seen);

    PseudoTerminal replacement;
    live.form().SerialPortBox->addItem(replacement.slave_path());
    live.form().SerialPortBox->setCurrentText(replacement.slave_path());
    accept_next_message_box();
    live.form().com_connectBtn->click();
    QVERIFY(live.window.serial->isOpen());
    QVERIFY(replacement.write(position_bytes_at(1.2, 3.4, 0)));
    QTRY_COMPARE(live.window.location_text, QString("1.2,3.4"));
}

// The port is opened under a link that stands for the device node: the
// camera goes (its pseudo-terminal is closed and gone) and comes back as a new
// pseudo-terminal under the same link, as a USB adapter comes back under its
// name.
void SerialLinkTest::lostDeviceThatComesBackIsOpenedAgainByItself()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("ttyCAM0");
    auto first = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(first->slave_path(), link));
    LiveWindow live;
    live.form().SerialPortBox->addItem(link);
    live.form().SerialPortBox->setCurrentText(link);
    accept_next_message_box();
    live.form().com_connectBtn->click();
    QVERIFY(live.window.serial->isOpen());
    QVERIFY(first->write(QByteArray::fromHex("FFFEFD0001")));
    QTRY_VERIFY(live.window.rx_in_frame);
    pretend_transfer_running(live);

    SeenModal lost;
    accept_next_message_box(&lost);
    first->close_master();
    QTRY_VERIFY(lost.seen);
    QCOMPARE(lost.text, "串口已断开" + link);
    first.reset();
    PseudoTerminal second;
    QVERIFY(QFile::remove(link) && QFile::link(second.slave_path(), link));

    QTRY_VERIFY_WITH_TIMEOUT(live.window.serial->isOpen(), 5000);
    QCOMPARE(live.window.serial->portName(), link);
    QVERIFY(!live.form().com_connectBtn->isEnabled());
    live.window.receive_log->flush();
    QCOMPARE(live.form().com_message_edit->document()->lastBlock().text(),
             "串口" + link + "已重新打开");
    // The transfer the loss ended stays ended.
    QVERIFY(!live.window.transport_timer->isActive());
    QVERIFY(live.form().transport_s->isEnabled());
    QVERIFY(second.write(position_bytes_at(1.2, 3.4, 0)));
    QTRY_COMPARE(live.window.location_text, QString("1.2,3.4"));
    QVERIFY(!QApplication::activeModalWidget());
}

void SerialLinkTest::errorLampTurnsGreenAndTimerStops()
{
    LiveWindow live;
    live.form().error_label->setStyleSheet("image: url(:/image/image/red.png)");
    live.window.error_lamp_timer->start(1000);
    live.window.error_timex();
    QCOMPARE(live.form().error_label->styleSheet(), QString("image: url(:/image/image/green.png)"));
    QVERIFY(!live.window.error_lamp_timer->isActive());
}

void SerialLinkTest::portListFollowsNamesNotOnlyTheirCount()
{
    QStringList present;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        present << info.portName();
    if (present.isEmpty())
        QSKIP("needs at least one serial port on this machine");
    LiveWindow live;
    QCOMPARE(live.window.port_names, present);
    // As if the adapter had been swapped for another between two refreshes.
    QStringList swapped;
    for (int k = 0; k < present.size(); ++k)
        swapped << QString("ttyGone%1").arg(k);
    live.window.port_names = swapped;
    live.form().SerialPortBox->clear();
    live.form().SerialPortBox->addItems(swapped);
    live.window.update_port();
    QCOMPARE(live.window.port_names, present);
    QCOMPARE(live.form().SerialPortBox->count(), present.size());
    QCOMPARE(live.form().SerialPortBox->itemText(0), present.first());
    QCOMPARE(live.form().SerialPortBox->currentIndex(), 0);
}

QTEST_MAIN(SerialLinkTest)
#include "tst_seriallink.moc"
