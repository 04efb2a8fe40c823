#include "app/coveragewindow.h"

#include "app/filedialogs.h"
#include "app/mainwindow.h"
#include "app/tagmapview.h"
#include "report/reportwriter.h"

#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

QString figure(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

CoverageWindow::CoverageWindow(MainWindow &window)
    : QWidget(&window, Qt::Tool), window(window), bar(new QProgressBar(this)),
      counts(new QLabel(this)), steadiness(new QLabel(this)), different(new QTableWidget(this)),
      timer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("地图验收"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(this);
    bar->setTextVisible(true);
    layout->addWidget(bar);
    layout->addWidget(counts);
    layout->addWidget(new QLabel(QStringLiteral("不同的标签（表中的值 / 相机的值）："), this));
    different->setColumnCount(10);
    different->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("编号"),
                                          QStringLiteral("表 x"), QStringLiteral("表 y"),
                                          QStringLiteral("表边长"), QStringLiteral("表角度"),
                                          QStringLiteral("相机 x"), QStringLiteral("相机 y"),
                                          QStringLiteral("相机边长"), QStringLiteral("相机角度")});
    different->verticalHeader()->hide();
    different->setEditTriggers(QAbstractItemView::NoEditTriggers);
    different->setSelectionBehavior(QAbstractItemView::SelectRows);
    different->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(different, 1);
    layout->addWidget(new QLabel(QStringLiteral("位置稳定性（最近 10 秒）："), this));
    layout->addWidget(steadiness);
    auto *buttons = new QHBoxLayout;
    auto *again = new QPushButton(QStringLiteral("重新开始"), this);
    auto *save = new QPushButton(QStringLiteral("保存验收报告…"), this);
    buttons->addWidget(again);
    buttons->addStretch();
    buttons->addWidget(save);
    layout->addLayout(buttons);
    resize(640, 520);

    connect(again, &QPushButton::clicked, this, &CoverageWindow::start_again);
    connect(save, &QPushButton::clicked, this, &CoverageWindow::save_report);
    connect(different, &QTableWidget::cellClicked, this,
            [this](int row, int) { different_clicked(row); });
    connect(window.tag_map_view, &TagMapView::floor_changed, this,
            [this] { floor_changed = true; });
    connect(timer, &QTimer::timeout, this, &CoverageWindow::refresh);
}

void CoverageWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    floor_changed = true;
    refresh();
    timer->start(kRefreshMs);
}

void CoverageWindow::hideEvent(QHideEvent *event)
{
    timer->stop();
    window.tag_map_view->show_unseen(false, 0);
    shown_limit = -1;
    QWidget::hideEvent(event);
}

void CoverageWindow::refresh()
{
    const int limit = window.transport_limit;
    if (limit != shown_limit) {
        window.tag_map_view->show_unseen(true, limit);
        shown_limit = limit;
        floor_changed = true;
    }
    if (floor_changed) {
        floor_changed = false;
        const FloorCheck::Counts c = window.tag_map_view->floor().counts(limit);
        bar->setRange(0, std::max(c.total(), 1));
        bar->setValue(c.confirmed);
        bar->setFormat(QStringLiteral("已确认 %1 / %2").arg(c.confirmed).arg(c.total()));
        counts->setText(QStringLiteral("已确认 %1    不同 %2    表中没有 %3    尚未看到 %4")
                            .arg(c.confirmed)
                            .arg(c.different)
                            .arg(c.unknown)
                            .arg(c.unseen));
        fill_different();
    }
    const report::SteadinessFigures s = window.steadiness_figures();
    steadiness->setText(
        QStringLiteral("报告频率 %1 Hz    x 标准差 %2 cm    y 标准差 %3 cm    角度标准差 %4°\n"
                       "最长间隔 %5 s    未采用的帧 %6（共 %7）    错误报告 %8（共 %9）")
            .arg(figure(s.rate_hz, 1), figure(s.sd_x_cm, 2), figure(s.sd_y_cm, 2),
                 figure(s.sd_rotation_deg, 2), figure(s.longest_gap_s, 3))
            .arg(s.not_applied)
            .arg(s.not_applied_total)
            .arg(s.errors)
            .arg(s.errors_total));
}

void CoverageWindow::fill_different()
{
    const QVector<FloorCheck::Listed> tags =
        window.tag_map_view->floor().different_tags(window.transport_limit);
    different->setRowCount(tags.size());
    for (int k = 0; k < tags.size(); ++k) {
        const FloorCheck::Listed &tag = tags.at(k);
        const int values[] = {tag.row + 1,         tag.table.id,      tag.table.x_cm,
                              tag.table.y_cm,      tag.table.side_mm, tag.table.angle_deg,
                              tag.camera.x_cm,     tag.camera.y_cm,   tag.camera.side_mm,
                              tag.camera.angle_deg};
        for (int c = 0; c < 10; ++c) {
            auto *item = new QTableWidgetItem(QString::number(values[c]));
            item->setData(Qt::UserRole, tag.row);
            different->setItem(k, c, item);
        }
    }
}

void CoverageWindow::different_clicked(int list_row)
{
    if (const QTableWidgetItem *item = different->item(list_row, 0))
        window.tag_map_view->select_row(item->data(Qt::UserRole).toInt());
}

void CoverageWindow::start_again()
{
    window.tag_map_view->clear_marks();
    window.restart_steadiness();
    floor_changed = true;
    refresh();
}

void CoverageWindow::save_report()
{
    QString path = ask_save_file_name(this, QStringLiteral("保存验收报告"), QString(),
                                      QStringLiteral("PDF 文档 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    QString error;
    if (!report::write_report_pdf(window.commissioning_report(), path, &error))
        QMessageBox::information(this, QStringLiteral("保存验收报告"),
                                 QStringLiteral("文件写入失败"), QMessageBox::Ok);
}
