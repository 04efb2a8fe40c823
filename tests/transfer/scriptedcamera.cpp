#include "scriptedcamera.h"

#include "app/mainwindow.h"
#include "modal.h"
#include "ui_mainwindowform.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>

const QByteArray kStartRequest("\xFF\xFE\xFA\xFE\xFF", 5);
const QByteArray kEndRequest("\xFF\xFE\xFB\xFE\xFF", 5);

ScriptedCamera::ScriptedCamera() = default;

bool ScriptedCamera::connect_window(MainWindow &window)
{
    window.ui->SerialPortBox->addItem(port_path());
    window.ui->SerialPortBox->setCurrentText(port_path());
    SeenModal seen;
    answer_next_message_box(QMessageBox::Ok, &seen);
    window.ui->com_connectBtn->click();
    return window.serial->isOpen() && !window.ui->com_connectBtn->isEnabled();
}

QByteArray ScriptedCamera::next_frame(int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        pending += line.read_available();
        if (pending.size() >= 5) {
            const bool short_frame = quint8(pending.at(2)) == 0xFA || quint8(pending.at(2)) == 0xFB;
            const int size = short_frame ? 5 : 18;
            if (pending.size() >= size) {
                const QByteArray frame = pending.left(size);
                pending.remove(0, size);
                return frame;
            }
        }
        if (clock.elapsed() > timeout_ms)
            return QByteArray();
        QTest::qWait(2);
    }
}

QByteArray ScriptedCamera::collect_for(int window_ms)
{
    QByteArray out = pending;
    pending.clear();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < window_ms) {
        out += line.read_available();
        QTest::qWait(5);
    }
    return out + line.read_available();
}

void ScriptedCamera::acknowledge_start()
{
    line.write(kStartRequest);
}

void ScriptedCamera::acknowledge_end()
{
    line.write(kEndRequest);
}

void ScriptedCamera::acknowledge_record(int id)
{
    QByteArray frame("\xFF\xFE\x00\x00\x01\xFE\xFF", 7);
    frame[2] = char((id >> 8) & 0xFF);
    frame[3] = char(id & 0xFF);
    line.write(frame);
}

int frame_id(const QByteArray &frame)
{
    if (frame.size() != 18)
        return -1;
    return quint8(frame.at(2)) * 256 + quint8(frame.at(3));
}
