#pragma once

#include <QObject>

class QMenu;
class QPoint;
class QTableWidget;

// The tag table's own context menu: "生成标签网格…", "导出DXF…",
// "导入DXF…". The window carries out what is chosen.
class TagTableMenu : public QObject
{
    Q_OBJECT

public:
    explicit TagTableMenu(QTableWidget &table);

    // The menu as a right click at `pixel` opens it; deleted when closed.
    QMenu *open_menu(const QPoint &pixel);

signals:
    void grid_chosen();
    void dxf_export_chosen();
    void dxf_import_chosen();

private:
    QTableWidget &table;
};
