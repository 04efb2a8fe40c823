#include "livewindow.h"

#include "app/pacedlog.h"

#include <QSerialPort>
#include <QTest>
#include <QTextBlock>

namespace
{

constexpr int kReadTimeoutMs = 5000;

} // namespace

void LiveWindow::press_connect(SeenModal *seen)
{
    form().SerialPortBox->addItem(camera.slave_path());
    form().SerialPortBox->setCurrentText(camera.slave_path());
    accept_next_message_box(seen);
    form().com_connectBtn->click();
}

bool LiveWindow::connect_port()
{
    if (!camera.is_valid())
        return false;
    press_connect();
    return window.serial->isOpen();
}

bool LiveWindow::play(const QByteArray &bytes)
{
    if (!camera.write(bytes))
        return false;
    bytes_played += bytes.size();
    // The log shows reads a display frame late; showing them at once tells
    // sooner that the window has read everything.
    auto *log = form().com_message_edit->findChild<PacedLog *>();
    return QTest::qWaitFor(
        [this, log] {
            if (log)
                log->flush();
            window.show_readouts();
            return echoed_bytes() >= bytes_played;
        },
        kReadTimeoutMs);
}

bool LiveWindow::sync(int first_count, int second_count)
{
    QByteArray report = QByteArray::fromHex("FFFEFD00000000FEFF");
    report[3] = char(first_count >> 8);
    report[4] = char(first_count);
    report[5] = char(second_count >> 8);
    report[6] = char(second_count);
    if (!play(report))
        return false;
    return form().sendNum_edit->text() == QString::number(first_count) &&
           form().allNum_edit->text() == QString::number(second_count);
}

qint64 LiveWindow::echoed_bytes() const
{
    // Every byte is three characters; every paragraph adds one separator.
    const QTextDocument *log = window.ui->com_message_edit->document();
    return (log->characterCount() - log->blockCount()) / 3;
}

int LiveWindow::log_paragraphs() const
{
    const QTextDocument *log = window.ui->com_message_edit->document();
    return log->isEmpty() ? 0 : log->blockCount();
}
