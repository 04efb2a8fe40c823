// The tag table's own menu: a generated grid, the map as a DXF drawing and
// back.
#include "app/mainwindow.h"

#include "app/filedialogs.h"
#include "app/griddialog.h"
#include "app/plotmenu.h"
#include "app/sheettable.h"
#include "app/tagmapview.h"
#include "app/tagtablemenu.h"
#include "plot/plotview.h"
#include "tags/mapdxf.h"
#include "tags/mapfile.h"
#include "tags/tagtable.h"
#include "ui_mainwindowform.h"

#include <QInputDialog>
#include <QLoggingCategory>
#include <QMessageBox>
#include <qcustomplot.h>

namespace
{

Q_LOGGING_CATEGORY(import_log, "poscam.import")

const QString kDxfFilter = QStringLiteral("DXF 图纸 (*.dxf)");

// The import's own failure box.
void tell_not_opened(QWidget *parent)
{
    QMessageBox::information(parent, QStringLiteral("excel提示"), QStringLiteral("文件打开失败"),
                             QMessageBox::Ok);
}

bool operator_agrees(QWidget *parent, const QString &question)
{
    return QMessageBox::information(parent, QStringLiteral("warning"), question,
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::Yes) == QMessageBox::Yes;
}

// The unit of a drawing that does not state its own; nothing when the
// operator cancels.
std::optional<int> ask_dxf_units(QWidget *parent)
{
    const std::pair<const char *, int> units[] = {{"毫米 (mm)", dxf_units::millimetre},
                                                  {"厘米 (cm)", dxf_units::centimetre},
                                                  {"米 (m)", dxf_units::metre},
                                                  {"英寸 (inch)", dxf_units::inch}};
    QStringList names;
    for (const auto &unit : units)
        names << QString::fromUtf8(unit.first);
    bool chosen = false;
    const QString name =
        QInputDialog::getItem(parent, QStringLiteral("图纸单位"),
                              QStringLiteral("图纸中没有注明单位（$INSUNITS），请选择图纸的单位："),
                              names, 1, false, &chosen);
    if (!chosen)
        return std::nullopt;
    return units[names.indexOf(name)].second;
}

} // namespace

void MainWindow::setup_table_menu()
{
    table_menu = new TagTableMenu(*ui->tableWidget);
    connect(table_menu, &TagTableMenu::grid_chosen, this, &MainWindow::generate_grid);
    connect(table_menu, &TagTableMenu::dxf_export_chosen, this, &MainWindow::export_dxf);
    connect(table_menu, &TagTableMenu::dxf_import_chosen, this, &MainWindow::import_dxf);
}

bool MainWindow::table_holds_anything() const
{
    for (int row = 0; row < TAG_TABLE_ROWS; ++row)
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
            if (const QTableWidgetItem *item = ui->tableWidget->item(row, column))
                if (!item->text().isEmpty())
                    return true;
    return false;
}

void MainWindow::generate_grid()
{
    // The preview is fitted into view; a cancelled dialogue leaves the view
    // as it was.
    QCustomPlot *plot = ui->robot_map;
    const QCPRange keys = plot->xAxis->range(), values = plot->yAxis->range();
    GridDialog dialog(this);
    auto preview = [this](const QVector<TagRecord> &tags) {
        tag_map_view->show_preview(tags);
        if (!tags.isEmpty())
            plot_menu->view().fit_all();
    };
    connect(&dialog, &GridDialog::grid_changed, this, preview);
    preview(dialog.tags());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    tag_map_view->end_preview();
    if (!accepted) {
        plot->xAxis->setRange(keys);
        plot->yAxis->setRange(values);
        plot->replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    if (table_holds_anything() &&
        !operator_agrees(this, QStringLiteral("生成的网格将会覆盖之前所有内容，\n确定生成吗？")))
        return;
    QVector<TagRowTexts> rows;
    for (const TagRecord &tag : dialog.tags())
        rows.append(tag_row_of(tag));
    fill_table_rows(ui->tableWidget, rows);
    tag_map_view->table_replaced();
}

void MainWindow::export_dxf()
{
    QString path = ask_save_file_name(this, QStringLiteral("导出DXF"), QString(), kDxfFilter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".dxf"), Qt::CaseInsensitive))
        path += QStringLiteral(".dxf");
    QVector<TagRowTexts> rows;
    rows.reserve(TAG_TABLE_ROWS);
    for (int row = 0; row < TAG_TABLE_ROWS; ++row)
        rows.append(tag_row_texts(row));
    QString error;
    if (!write_map_dxf(path, rows, &error))
        QMessageBox::information(this, QStringLiteral("excel提示"), QStringLiteral("文件写入失败"),
                                 QMessageBox::Ok);
}

void MainWindow::import_dxf()
{
    if (!operator_agrees(this,
                         QStringLiteral("从DXF文件中导入数据将会覆盖之前所有内容，\n确定导入吗？")))
        return;
    const QString path = ask_open_file_name(this, QStringLiteral("导入DXF"),
                                            QStringLiteral("../datafile/"), kDxfFilter);
    if (!path.isEmpty())
        read_dxf_into_table(path);
}

void MainWindow::read_dxf_into_table(const QString &path)
{
    const DxfRead drawing = read_dxf_file(path);
    DxfMapRows map = map_rows_from_dxf(drawing, std::nullopt);
    if (map.status == DxfMapRows::Status::units_unstated) {
        const std::optional<int> units = ask_dxf_units(this);
        if (!units)
            return;
        map = map_rows_from_dxf(drawing, units);
    }
    if (map.status != DxfMapRows::Status::read) {
        qCWarning(import_log, "%s", qUtf8Printable(dxf_refusal_text(path, map.refusal)));
        tell_not_opened(this);
        return;
    }
    fill_table_rows(ui->tableWidget, map.rows);
    tag_map_view->table_replaced();
}
