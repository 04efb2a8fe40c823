#include "app/mainwindow.h"

#include "app/pacedlog.h"
#include "link/portscanner.h"
#include "session/sessionrecorder.h"
#include "ui_mainwindowform.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSerialPort>
#include <QTimer>

namespace
{

// Baud rate and data bits come from the boxes' texts, the rest from their
// indices. A text or index outside the form's items leaves the setting alone.
void apply_port_settings(QSerialPort &port, const Ui::MainWindowForm &form)
{
    port.setPortName(form.SerialPortBox->currentText());
    port.setBaudRate(form.BaudRateBox->currentText().toInt(nullptr, 10),
                     QSerialPort::AllDirections);

    switch (form.DataBitBox->currentText().toInt()) {
    case 5:
        port.setDataBits(QSerialPort::Data5);
        break;
    case 6:
        port.setDataBits(QSerialPort::Data6);
        break;
    case 7:
        port.setDataBits(QSerialPort::Data7);
        break;
    case 8:
        port.setDataBits(QSerialPort::Data8);
        break;
    }

    const QSerialPort::StopBits stop_bits[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                               QSerialPort::TwoStop};
    const int stop_index = form.StopBitBox->currentIndex();
    if (stop_index >= 0 && stop_index < 3)
        port.setStopBits(stop_bits[stop_index]);

    const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                            QSerialPort::OddParity, QSerialPort::SpaceParity,
                                            QSerialPort::MarkParity};
    const int parity_index = form.ParityBox->currentIndex();
    if (parity_index >= 0 && parity_index < 5)
        port.setParity(parities[parity_index]);

    const QSerialPort::FlowControl flows[] = {
        QSerialPort::NoFlowControl, QSerialPort::HardwareControl, QSerialPort::SoftwareControl};
    const int flow_index = form.FlowControlBox->currentIndex();
    if (flow_index >= 0 && flow_index < 3)
        port.setFlowControl(flows[flow_index]);
}

void set_port_controls_enabled(Ui::MainWindowForm &form, bool enabled)
{
    QWidget *const controls[] = {form.SerialPortBox, form.BaudRateBox, form.DataBitBox,
                                 form.ParityBox,     form.StopBitBox,  form.FlowControlBox,
                                 form.com_connectBtn};
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

void show_port_message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                       const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

// An unplugged adapter or a hung-up line. Qt reports a hung-up line as a
// read error on every pass of the event loop for as long as the port stays
// open, so either ends the connection.
bool is_port_loss(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

} // namespace

void MainWindow::on_com_connectBtn_clicked()
{
    end_reconnect_watch();
    const QString port_name = ui->SerialPortBox->currentText();
    if (!open_port(port_name)) {
        show_port_message(this, QMessageBox::Critical, QStringLiteral("打开失败"),
                          QStringLiteral("未能打开串口") + port_name +
                              QStringLiteral("\n该串口设备不存在或已被占用"));
        return;
    }
    show_port_message(this, QMessageBox::Information, QStringLiteral("打开成功"),
                      QStringLiteral("已成功打开串口") + port_name);
    start_receiving();
}

bool MainWindow::open_port(const QString &port_name)
{
    apply_port_settings(*serial, *ui);
    serial->setPortName(port_name);
    if (!serial->open(QIODevice::ReadWrite))
        return false;
    // Known as the list showed it, since a lost device is no longer listed.
    open_device = ports::identity_in(port_scanner->ports(), port_name);
    return true;
}

void MainWindow::start_receiving()
{
    set_port_controls_enabled(*ui, false);
    start_session_recording();
    // Bytes that came while the box was open wait in the port until the next
    // arrival signals them.
    connect(serial, &QSerialPort::readyRead, this, &MainWindow::Read_Data);
}

void MainWindow::watch_for_port_loss()
{
    // Queued: the port is closed outside QSerialPort's own read handler, which
    // still touches its buffer after reporting the error.
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (is_port_loss(error))
            QMetaObject::invokeMethod(this, &MainWindow::close_lost_port, Qt::QueuedConnection);
    });
}

void MainWindow::close_lost_port()
{
    // Several reports of the same loss may have been queued; the first closes
    // the port, and a port opened since has no error.
    if (!serial->isOpen() || !is_port_loss(serial->error()))
        return;
    const QString port_name = serial->portName();
    if (transfer_state.running)
        write_transfer_ledger(transfer::Outcome::port_lost, transfer_state.list);
    close_port();
    receive_log->append(QStringLiteral("串口已断开") + port_name);
    if (watch_for_return())
        show_port_message(this, QMessageBox::Warning, QStringLiteral("错误"),
                          QStringLiteral("串口已断开") + port_name);
}

bool MainWindow::watch_for_return()
{
    const bool news = reconnect_watch.port_lost(open_device, link_clock.elapsed());
    reconnect_timer->start();
    return news;
}

void MainWindow::end_reconnect_watch()
{
    reconnect_watch.end();
    reconnect_timer->stop();
}

void MainWindow::try_reopen()
{
    const qint64 now = link_clock.elapsed();
    if (!reconnect_watch.is_watching(now) || serial->isOpen()) {
        reconnect_timer->stop();
        return;
    }
    QVector<ports::PortIdentity> seen = port_scanner->ports();
    // A port that is not listed, such as a pseudo-terminal, is back when its
    // path leads to a device again.
    const ports::PortIdentity &device = reconnect_watch.device();
    if (!device.has_ids && QFileInfo::exists(device.system_location))
        seen << device;
    const std::optional<QString> port_name = reconnect_watch.attempt_due(seen, now);
    // One that cannot be opened yet is tried again on a later tick.
    if (!port_name || !open_port(*port_name))
        return;
    reconnect_watch.reopened(now);
    reconnect_timer->stop();
    ui->SerialPortBox->setCurrentText(*port_name);
    start_receiving();
    receive_log->append(QStringLiteral("串口") + *port_name + QStringLiteral("已重新打开"));
}

void MainWindow::on_com_disconnectBtn_clicked()
{
    if (transfer_state.running)
        write_transfer_ledger(transfer::Outcome::interrupted, transfer_state.list);
    end_reconnect_watch();
    close_port();
}

void MainWindow::close_port()
{
    disconnect(serial, &QSerialPort::readyRead, this, &MainWindow::Read_Data);
    recorder->stop();
    if (serial->isOpen())
        serial->clear(QSerialPort::AllDirections);
    serial->close();
    set_port_controls_enabled(*ui, true);

    reset_receive_path();
    // A transfer cannot go on without the port.
    apply_transfer(transfer::port_lost(transfer_state));
}

void MainWindow::reset_receive_path()
{
    rx_ff_seen = false;
    rx_in_frame = false;
    rx_fe_seen = false;
    rx_frame.clear();
}

void MainWindow::update_port()
{
    const QStringList names = ports::port_names(port_scanner->ports());
    // Compared by name, not only by count: an adapter swapped for another
    // between two refreshes must become selectable.
    if (names == port_names)
        return;
    port_names = names;
    ui->SerialPortBox->clear();
    ui->SerialPortBox->addItems(port_names);
}

void MainWindow::error_timex()
{
    ui->error_label->setStyleSheet(QStringLiteral("image: url(:/image/image/green.png)"));
    error_lamp_timer->stop();
}
