#include "app/mainwindow.h"

#include "app/pacedlog.h"
#include "app/tagcheckbox.h"

#include "protocol/commandframes.h"
#include "tags/sheetengine.h"
#include "tags/tagtable.h"
#include "transfer/fingerprint.h"
#include "transfer/ledger.h"
#include "transfer/transfer.h"
#include "ui_mainwindowform.h"

#include <QDateTime>
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
    QVector<TagRowTexts> rows;
    rows.reserve(std::max(transport_limit, 0));
    for (int row = 0; row < transport_limit; ++row)
        rows.append(tag_row_texts(row));
    int tags_beyond_limit = 0;
    for (int row = std::max(transport_limit, 0); row < TAG_TABLE_ROWS; ++row)
        if (tag_record_from_row(row))
            ++tags_beyond_limit;
    const transfer::Start start = transfer::start(transfer_state, rows, tags_beyond_limit);
    if (start.refusal) {
        write_transfer_ledger(transfer::Outcome::refused, {});
        warn(this, *start.refusal);
        return;
    }
    if (!start.findings.isEmpty() && !operator_sends_despite(this, start.findings)) {
        write_transfer_ledger(transfer::Outcome::refused, start.next.list);
        return;
    }
    apply_transfer(start.next);
    ui->progressBar->setValue(0);
}

void MainWindow::on_transport_e_clicked()
{
    if (transfer_state.running)
        write_transfer_ledger(transfer::Outcome::interrupted, transfer_state.list);
    apply_transfer(transfer::ended(transfer_state));
}

void MainWindow::slot_timeout()
{
    const std::optional<transfer::Tick> tick = transfer::tick(transfer_state);
    if (!tick)
        return;
    protocol::fill_record_frame(record_frame, tick->record);
    switch (tick->frame) {
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
    ui->progressBar->setValue(tick->progress);
}

void MainWindow::transfer_report(const protocol::Report &report)
{
    // A replayed session's acknowledgements answered a transfer long past:
    // applied, they would let the next live transfer skip its handshake.
    if (replay && report.kind != protocol::ReportKind::Count)
        return;
    switch (report.kind) {
    case protocol::ReportKind::Count:
        ui->sendNum_edit->setText(QString::number(report.first_count));
        ui->allNum_edit->setText(QString::number(report.second_count));
        return;
    case protocol::ReportKind::StartAck:
        apply_transfer(transfer::start_acknowledged(transfer_state));
        return;
    case protocol::ReportKind::RecordAck:
        apply_transfer(transfer::record_acknowledged(transfer_state, report.code_id));
        return;
    case protocol::ReportKind::EndAck:
        if (transfer_state.running && transfer_state.all_acked) {
            const QString map =
                write_transfer_ledger(transfer::Outcome::completed, transfer_state.list);
            receive_log->append(QStringLiteral("地图指纹 ") + map);
        }
        apply_transfer(transfer::ended(transfer_state));
        return;
    default:
        return;
    }
}

void MainWindow::apply_transfer(const transfer::State &next)
{
    transfer_state = next;
    if (!transfer_state.running)
        transport_timer->stop();
    else if (!transport_timer->isActive())
        transport_timer->start(kTransferTickMs);
    lock_table(transfer_state.running);
}

void MainWindow::lock_table(bool locked)
{
    ui->tableWidget->setEnabled(!locked);
    // A replay keeps every control that writes to the port disabled.
    ui->transport_s->setEnabled(!locked && !replay);
}

QString MainWindow::write_transfer_ledger(transfer::Outcome outcome,
                                          const QVector<TagRecord> &records)
{
    transfer::LedgerLine line;
    line.time_utc = QDateTime::currentDateTimeUtc();
    line.program = QStringLiteral("poscam");
    line.port = open_device.port_name;
    line.serial_number = open_device.serial_number;
    line.source = QStringLiteral("table");
    line.records = records.size();
    line.fingerprint = records.isEmpty() ? QString() : transfer::fingerprint(records);
    line.outcome = outcome;
    line.first_count = ui->sendNum_edit->text();
    line.second_count = ui->allNum_edit->text();
    // The transfer never waits on the ledger: a line that cannot be written
    // is said once in the receive box.
    if (const std::optional<QString> warning = transfer::append_ledger_line(line))
        receive_log->append(*warning);
    return line.fingerprint;
}
