#include "app/mainwindow.h"

#include "app/pacedlog.h"
#include "app/tagmapview.h"
#include "plot/renderpacer.h"
#include "protocol/reportdecoder.h"
#include "protocol/reporttext.h"
#include "ui_mainwindowform.h"

#include <QDebug>
#include <QLineEdit>
#include <QTimer>

namespace
{

constexpr int kErrorLampMs = 1000;

// A line edit repaints on every setText, even of the text it shows; at the
// camera's rate that was hundreds of paintings a second of unchanged angles.
void show_text(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

void MainWindow::write_to_port(const QByteArray &bytes)
{
    serial_link.write(bytes);
}

void MainWindow::receive_bytes(const QByteArray &bytes)
{
    echo_bytes(bytes);
    serial_link.feed(bytes);
}

void MainWindow::echo_bytes(const QByteArray &bytes)
{
    for (const QString &paragraph : protocol::hex_echo_paragraphs(bytes))
        receive_log->append(paragraph);
}

void MainWindow::decode_frame()
{
    const std::optional<protocol::Report> report = protocol::decode_report(rx_frame);
    if (!report)
        return;         // not the camera's; the next start marker discards it
    rx_frame.resize(0); // emptied, but its buffer serves the next frame
    apply_report(*report);
}

void MainWindow::apply_report(const protocol::Report &report)
{
    switch (report.kind) {
    case protocol::ReportKind::Error:
        show_camera_error();
        break;
    case protocol::ReportKind::Count:
    case protocol::ReportKind::RecordAck:
    case protocol::ReportKind::StartAck:
    case protocol::ReportKind::EndAck:
        transfer_report(report);
        break;
    case protocol::ReportKind::CodeList:
        for (const protocol::CodeListEntry &entry : report.code_list)
            code_log->append(protocol::code_list_line(entry));
        break;
    case protocol::ReportKind::Tag:
        code_log->append(protocol::tag_line(report.tag));
        tag_map_view->camera_reports(report.tag);
        break;
    case protocol::ReportKind::Position:
        show_pose(report.position);
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
    draw_robot_outline(pos_x, pos_y, rotation_angle);
    append_track_point(pos_x, pos_y);
    // The camera can send hundreds of positions a second; the read-outs and
    // the plot show once for all that arrived within a display frame.
    readout_pacer->request();
    render_pacer->request();
}

void MainWindow::show_readouts()
{
    readout_pacer->shown();
    show_text(ui->current_loc_edit, location_text);
    show_text(ui->current_angle_edit, protocol::degrees_text(rotation_angle));
    show_text(ui->current_angx_edit, protocol::degrees_text(attitude_x));
    show_text(ui->current_angy_edit, protocol::degrees_text(attitude_y));
}
