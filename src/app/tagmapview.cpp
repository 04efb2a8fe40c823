#include "app/tagmapview.h"

#include "plot/displaypacer.h"
#include "plot/tagmap.h"
#include "plot/tagmaplayer.h"
#include "tags/tagconversion.h"
#include "tags/tagtable.h"

#include <QMouseEvent>
#include <QTableWidget>
#include <QToolTip>
#include <qcustomplot.h>

namespace
{

constexpr int kClickSlackPixels = 3;

QPoint pixel_of(const QMouseEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().toPoint();
#else
    return event->pos();
#endif
}

QPoint global_of(const QMouseEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->globalPosition().toPoint();
#else
    return event->globalPos();
#endif
}

plot::TagMark plot_mark(TableTags::Match match)
{
    switch (match) {
    case TableTags::Match::confirmed:
        return plot::TagMark::confirmed;
    case TableTags::Match::different:
        return plot::TagMark::different;
    case TableTags::Match::unknown:
        break;
    }
    return plot::TagMark::unknown;
}

std::array<int, 5> values_of(const TagRecord &r)
{
    return {r.id, r.x_cm, r.y_cm, r.side_mm, r.angle_deg};
}

QColor cell_colour(TableTags::Match match)
{
    switch (match) {
    case TableTags::Match::confirmed:
        return QColor(150, 230, 150);
    case TableTags::Match::different:
        return QColor(255, 150, 150);
    case TableTags::Match::unknown:
        break;
    }
    return QColor(255, 200, 120);
}

} // namespace

TagMapView::TagMapView(QCustomPlot &plot, QTableWidget &table, QObject *parent)
    : QObject(parent), plot(plot), table(table)
{
    tag_map = plot::add_tag_map(plot);
    pacer = new DisplayPacer(this, [this] { show(); });
    connect(&table, &QTableWidget::itemChanged, this, &TagMapView::cell_changed);
    connect(&plot, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { hover(pixel_of(event), global_of(event)); });
    connect(&plot, &QCustomPlot::mousePress, this,
            [this](QMouseEvent *event) { pressed_at = pixel_of(event); });
    connect(&plot, &QCustomPlot::mouseRelease, this, [this](QMouseEvent *event) {
        if ((pixel_of(event) - pressed_at).manhattanLength() <= kClickSlackPixels)
            click(pixel_of(event));
    });
    pacer->request();
}

void TagMapView::table_replaced()
{
    const QList<int> rows = marks_by_row.keys();
    marks_by_row.clear();
    unknown_by_id.clear();
    for (int row : rows)
        colour_id_cell(row, nullptr);
    table_changed = true;
    pacer->request();
}

void TagMapView::cell_changed(QTableWidgetItem *item)
{
    if (colouring)
        return;
    table_changed = true;
    if (marks_by_row.remove(item->row()) > 0)
        colour_id_cell(item->row(), nullptr);
    pacer->request();
}

void TagMapView::read_table_if_changed()
{
    if (!table_changed)
        return;
    table_changed = false;
    table_tags = TableTags();
    for (int row = 0; row < table.rowCount(); ++row) {
        TagRowTexts texts;
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
            if (const QTableWidgetItem *item = table.item(row, column))
                texts[column] = item->text();
        if (const std::optional<TagRecord> record = tag_record_from_texts(texts))
            table_tags.add(row, *record);
    }
}

void TagMapView::camera_reports(const TagRecord &reported)
{
    read_table_if_changed();
    const TableTags::Comparison comparison = table_tags.compare(reported);
    if (comparison.row < 0) {
        unknown_by_id.insert(reported.id, reported);
    } else {
        const Mark mark{comparison.match, reported};
        marks_by_row.insert(comparison.row, mark);
        colour_id_cell(comparison.row, &mark);
    }
    pacer->request();
}

void TagMapView::colour_id_cell(int row, const Mark *mark)
{
    QTableWidgetItem *item = table.item(row, 0);
    if (!item)
        return;
    colouring = true;
    if (mark)
        item->setBackground(cell_colour(mark->match));
    else
        item->setData(Qt::BackgroundRole, QVariant());
    colouring = false;
}

void TagMapView::show_preview(const QVector<TagRecord> &tags)
{
    // Drawn at once, at the pace of an operator's typing, so that the view
    // can be fitted to it.
    preview = tags;
    show();
}

void TagMapView::end_preview()
{
    preview.reset();
    pacer->request();
}

void TagMapView::show()
{
    if (preview) {
        QVector<plot::MapTag> tags;
        tags.reserve(preview->size());
        for (const TagRecord &record : *preview) {
            plot::MapTag shown;
            // The row the tag would take: a map fills the table from row 1.
            shown.row = int(tags.size());
            shown.values = values_of(record);
            tags.append(shown);
        }
        tag_map->set_tags(std::move(tags));
        plot::tags_layer(plot)->replot();
        return;
    }
    read_table_if_changed();
    QVector<plot::MapTag> tags;
    tags.reserve(table_tags.tags().size() + unknown_by_id.size());
    for (const TableTags::Tag &tag : table_tags.tags()) {
        plot::MapTag shown;
        shown.row = tag.row;
        shown.values = values_of(tag.record);
        const auto mark = marks_by_row.constFind(tag.row);
        if (mark != marks_by_row.constEnd()) {
            shown.mark = plot_mark(mark->match);
            shown.camera = values_of(mark->camera);
        }
        tags.append(shown);
    }
    for (const TagRecord &reported : unknown_by_id) {
        plot::MapTag shown;
        shown.mark = plot::TagMark::unknown;
        shown.camera = values_of(reported);
        tags.append(shown);
    }
    tag_map->set_tags(std::move(tags));
    plot::tags_layer(plot)->replot();
}

void TagMapView::hover(const QPoint &pixel, const QPoint &global)
{
    const int index = tag_map->tag_at(pixel);
    if (index < 0)
        QToolTip::hideText();
    else
        QToolTip::showText(global, tag_map->tooltip(index), &plot);
}

void TagMapView::click(const QPoint &pixel)
{
    const int index = tag_map->tag_at(pixel);
    if (index < 0)
        return;
    const int row = tag_map->tags().at(index).row;
    if (row < 0 || !table.isEnabled())
        return;
    table.setCurrentCell(row, 0);
    table.scrollToItem(table.item(row, 0), QAbstractItemView::PositionAtCenter);
}
