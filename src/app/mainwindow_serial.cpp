#include "app/mainwindow.h"

#include "app/pacedlog.h"
#include "link/portscanner.h"
#include "ui_mainwindowform.h"

#include <QMessageBox>
#include <QSerialPort>
#include <QTimer>

namespace
{

// Baud rate and data bits come from the boxes' texts, the rest from their
// indices.
seriallink::PortSettings settings_from_boxes(const Ui::MainWindowForm &form)
{
    seriallink::PortSettings settings;
    settings.port_name = form.SerialPortBox->currentText();
    settings.baud_rate = form.BaudRateBox->currentText().toInt(nullptr, 10);
    settings.data_bits = form.DataBitBox->currentText().toInt();
    settings.stop_bits_index = form.StopBitBox->currentIndex();
    settings.parity_index = form.ParityBox->currentIndex();
    settings.flow_index = form.FlowControlBox->currentIndex();
    return settings;
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

} // namespace

void MainWindow::on_com_connectBtn_clicked()
{
    serial_link.end_reconnect_watch();
    serial_link.settings = settings_from_boxes(*ui);
    const QString port_name = serial_link.settings.port_name;
    if (!serial_link.open()) {
        // A network address has a reason of its own: a refused connection, a
        // host that does not answer, a server without RFC 2217.
        const QString network_reason = serial_link.open_failure_zh();
        show_port_message(this, QMessageBox::Critical, QStringLiteral("打开失败"),
                          QStringLiteral("未能打开串口") + port_name + QLatin1Char('\n') +
                              (network_reason.isEmpty()
                                   ? QStringLiteral("该串口设备不存在或已被占用")
                                   : network_reason));
        return;
    }
    show_port_message(this, QMessageBox::Information, QStringLiteral("打开成功"),
                      QStringLiteral("已成功打开串口") + port_name);
    start_receiving();
}

void MainWindow::start_receiving()
{
    set_port_controls_enabled(*ui, false);
    // Bytes that came while the box was open wait in the port until the next
    // arrival signals them.
    serial_link.start_receiving();
}

void MainWindow::connect_link()
{
    serial_link.set_port_scanner(port_scanner);
    connect(&serial_link, &seriallink::Link::received, this, &MainWindow::echo_bytes);
    connect(&serial_link, &seriallink::Link::report, this, &MainWindow::apply_report);
    connect(&serial_link, &seriallink::Link::lost, this, &MainWindow::port_lost);
    connect(&serial_link, &seriallink::Link::reopened, this, &MainWindow::port_reopened);
    connect(&serial_link, &seriallink::Link::recording_stopped, this,
            &MainWindow::show_recording_stopped);
}

void MainWindow::Read_Data()
{
    // The link reads on each arrival itself; this reads what waits now.
    serial_link.read_available();
}

void MainWindow::port_lost(const QString &port_name, bool news)
{
    if (transfer_state.running)
        write_transfer_ledger(transfer::Outcome::port_lost, transfer_state.list);
    after_port_closed();
    receive_log->append(QStringLiteral("串口已断开") + port_name);
    if (news)
        show_port_message(this, QMessageBox::Warning, QStringLiteral("错误"),
                          QStringLiteral("串口已断开") + port_name);
}

void MainWindow::port_reopened(const QString &port_name)
{
    ui->SerialPortBox->setCurrentText(port_name);
    start_receiving();
    receive_log->append(QStringLiteral("串口") + port_name + QStringLiteral("已重新打开"));
}

void MainWindow::on_com_disconnectBtn_clicked()
{
    if (transfer_state.running)
        write_transfer_ledger(transfer::Outcome::interrupted, transfer_state.list);
    serial_link.end_reconnect_watch();
    close_port();
}

void MainWindow::close_port()
{
    serial_link.close();
    after_port_closed();
}

void MainWindow::after_port_closed()
{
    set_port_controls_enabled(*ui, true);
    // A transfer cannot go on without the port.
    apply_transfer(transfer::port_lost(transfer_state));
}

void MainWindow::reset_receive_path()
{
    serial_link.receive.reset();
}

void MainWindow::update_port()
{
    const QStringList names = ports::port_names(port_scanner->ports()) + network_ports;
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
