#include "app/mainwindow.h"

#include "app/tagcheckbox.h"

#include "protocol/commandframes.h"
#include "tags/sheetengine.h"
#include "tags/tagcheck.h"
#include "tags/tagtable.h"
#include "transfer/recordcheck.h"
#include "transfer/transferstate.h"
#include "transfer/transferstep.h"
#include "ui_mainwindowform.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>

namespace
{

void warn(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("错误"), text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

} // namespace

void MainWindow::on_transportNum_Btn_clicked()
{
    transport_limit = transport_limit_from_text(ui->transportNum_edit->text());
    sheet_engine->row_limit = transport_limit;
    ui->transportNum_label->setText(transport_limit_label(transport_limit));
}

void MainWindow::on_transport_s_clicked()
{
    // The connect button is disabled exactly while a port is open.
    if (ui->com_connectBtn->isEnabled()) {
        warn(this, QStringLiteral("请确认串口已打开"));
        return;
    }
    QVector<TagRecord> snapshot;
    QVector<TagRowTexts> scanned;
    scanned.reserve(std::max(transport_limit, 0));
    for (int row = 0; row < transport_limit; ++row) {
        scanned.append(tag_row_texts(row));
        const std::optional<TagRecord> record = tag_record_from_texts(scanned.last());
        if (!record)
            continue;
        // A record the camera can never receive would be repeated for good:
        // the operator corrects the table first.
        if (const std::optional<QString> why =
                why_camera_cannot_receive(*record, tag_table_headers())) {
            warn(this, unreceivable_row_text(row + 1, *why));
            return;
        }
        snapshot.append(*record);
    }
    int tags_beyond_limit = 0;
    for (int row = std::max(transport_limit, 0); row < TAG_TABLE_ROWS; ++row)
        if (tag_record_from_row(row))
            ++tags_beyond_limit;
    const QVector<TagFinding> findings = check_tag_rows(scanned, tags_beyond_limit);
    if (!findings.isEmpty() && !operator_sends_despite(this, findings))
        return;
    ui->tableWidget->setEnabled(false);
    ui->transport_s->setEnabled(false);
    // The acknowledgement flags are left alone: every way a transfer ends
    // clears them already.
    transport_list = snapshot;
    transport_index = 0;
    if (!transport_list.isEmpty()) {
        transport_timer->start(kTransferTickMs);
    } else {
        ui->tableWidget->setEnabled(true);
        ui->transport_s->setEnabled(true);
    }
    ui->progressBar->setValue(0);
}

void MainWindow::on_transport_e_clicked()
{
    end_transfer();
}

void MainWindow::end_transfer()
{
    transport_timer->stop();
    clear_transfer_state(transport_index, start_acked, all_acked);
    ui->tableWidget->setEnabled(true);
    ui->transport_s->setEnabled(true);
}

void MainWindow::slot_timeout()
{
    // Only the acknowledgements move the index, and only within the list;
    // a tick without a current record has nothing to build.
    if (transport_index < 0 || transport_index >= transport_list.size())
        return;
    protocol::fill_record_frame(record_frame, transport_list.at(transport_index));
    switch (transfer_frame_for(start_acked, all_acked)) {
    case TransferFrame::start_request:
        write_to_port(start_frame);
        break;
    case TransferFrame::current_record:
        write_to_port(record_frame);
        break;
    case TransferFrame::end_request:
        write_to_port(end_frame);
        break;
    case TransferFrame::nothing:
        break;
    }
    ui->progressBar->setValue(transfer_progress(transport_index, transport_list.size()));
}
