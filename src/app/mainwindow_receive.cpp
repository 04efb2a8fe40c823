#include "app/mainwindow.h"

#include "app/pacedlog.h"
#include "app/tagmapview.h"
#include "plot/renderpacer.h"
#include "protocol/framecutter.h"
#include "protocol/notapplied.h"
#include "protocol/reportdecoder.h"
#include "protocol/reporttext.h"
#include "session/sessionrecorder.h"
#include "ui_mainwindowform.h"

#include <QDebug>
#include <QSerialPort>
#include <QTimer>

namespace
{

constexpr int kErrorLampMs = 1000;

} // namespace

void MainWindow::Read_Data()
{
    const QByteArray bytes = serial->readAll();
    if (bytes.isEmpty())
        return;
    recorder->record(true, bytes);
    receive_bytes(bytes);
}

void MainWindow::write_to_port(const QByteArray &bytes)
{
    const qint64 written = serial->write(bytes);
    if (written > 0)
        recorder->record(false, bytes.left(int(written)));
}

void MainWindow::receive_bytes(const QByteArray &bytes)
{
    for (const QString &paragraph : protocol::hex_echo_paragraphs(bytes))
        receive_log->append(paragraph);
    for (char byte : bytes) {
        if (protocol::cut_byte(quint8(byte), rx_ff_seen, rx_in_frame, rx_fe_seen, rx_frame))
            decode_frame();
    }
}

void MainWindow::decode_frame()
{
    const std::optional<protocol::Report> report = protocol::decode_report(rx_frame);
    if (protocol::frame_not_applied(rx_frame, report))
        steadiness.add_not_applied(steadiness_now_us(), 1);
    if (!report)
        return;         // not the camera's; the next start marker discards it
    rx_frame.resize(0); // emptied, but its buffer serves the next frame

    switch (report->kind) {
    case protocol::ReportKind::Error:
        show_camera_error();
        break;
    case protocol::ReportKind::Count:
    case protocol::ReportKind::RecordAck:
    case protocol::ReportKind::StartAck:
    case protocol::ReportKind::EndAck:
        transfer_report(*report);
        break;
    case protocol::ReportKind::CodeList:
        for (const protocol::CodeListEntry &entry : report->code_list)
            code_log->append(protocol::code_list_line(entry));
        break;
    case protocol::ReportKind::Tag:
        code_log->append(protocol::tag_line(report->tag));
        tag_map_view->camera_reports(report->tag);
        break;
    case protocol::ReportKind::Position:
        show_pose(report->position);
        break;
    case protocol::ReportKind::Dropped:
        break;
    }
}

void MainWindow::show_camera_error()
{
    steadiness.add_error(steadiness_now_us());
    ui->error_label->setStyleSheet(QStringLiteral("image: url(:/image/image/red.png)"));
    // Not restarted by further errors: the lamp goes green a second after the
    // first of a burst, and again after each later one.
    if (!error_lamp_timer->isActive())
        error_lamp_timer->start(kErrorLampMs);
}

void MainWindow::show_pose(const protocol::PositionReport &pose)
{
    pos_x = pose.x;
    pos_y = pose.y;
    rotation_angle = pose.rotation_angle;
    attitude_x = pose.attitude_x;
    attitude_y = pose.attitude_y;
    steadiness.add_position(steadiness_now_us(), pos_x, pos_y, rotation_angle);
    // The program's one log line; the stream benchmark counts the decoded
    // reports by it. A named category would prefix the printed line.
    qDebug() << pos_x;
    location_text = protocol::location_text(pos_x, pos_y);
    ui->current_loc_edit->setText(location_text);
    ui->current_angle_edit->setText(protocol::degrees_text(rotation_angle));
    ui->current_angx_edit->setText(protocol::degrees_text(attitude_x));
    ui->current_angy_edit->setText(protocol::degrees_text(attitude_y));
    draw_robot_outline(pos_x, pos_y, rotation_angle);
    append_track_point(pos_x, pos_y);
    // The camera can send hundreds of positions a second; the plot is
    // rendered once for all that arrived within a display frame.
    render_pacer->request();
}
