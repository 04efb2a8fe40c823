#pragma once

#include "protocol/tagrecord.h"
#include "tags/floorcheck.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QVector>
#include <optional>

class DisplayPacer;
class QCustomPlot;
class QTableWidget;
class QTableWidgetItem;

namespace plot
{
class TagMap;
}

// The tag table drawn on the position plot and the camera's reports of its
// tags compared with it. The map follows the table at most once per display
// frame; a mark lasts until its row is edited or a map is imported.
class TagMapView : public QObject
{
    Q_OBJECT

public:
    TagMapView(QCustomPlot &plot, QTableWidget &table, QObject *parent);

    // A whole new table: every mark goes.
    void table_replaced();

    // A mode-2 report of one tag stored in the camera.
    void camera_reports(const TagRecord &reported);

    // Draws `tags` in place of the table's map, at once, until end_preview().
    void show_preview(const QVector<TagRecord> &tags);
    void end_preview();

    plot::TagMap *map() const
    {
        return tag_map;
    }

    // The floor as the camera's reports have proved it, the table read anew
    // if it changed.
    const FloorCheck &floor();
    // Every mark goes; the table stays.
    void clear_marks();
    // While shown, the tags in rows 0..limit-1 that the camera has not
    // reported are drawn hollow.
    void show_unseen(bool shown, int limit);
    // Selects the row as a click on its tag does.
    void select_row(int row);

signals:
    // The marks or the table changed.
    void floor_changed();

private:
    void cell_changed(QTableWidgetItem *item);
    void read_table_if_changed();
    void show();
    void colour_id_cell(int row, const FloorCheck::Mark *mark);
    void hover(const QPoint &pixel, const QPoint &global);
    void click(const QPoint &pixel);

    QCustomPlot &plot;
    QTableWidget &table;
    plot::TagMap *tag_map = nullptr;
    DisplayPacer *pacer = nullptr;
    FloorCheck floor_check;
    bool table_changed = true;
    bool colouring = false;
    bool unseen_shown = false;
    int unseen_limit = 0;
    QPoint pressed_at;
    std::optional<QVector<TagRecord>> preview;
};
