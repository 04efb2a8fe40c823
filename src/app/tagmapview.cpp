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
    table_changed = true;
    clear_marks();
}

void TagMapView::clear_marks()
{
    const QList<int> rows = floor_check.marks().keys();
    floor_check.clear_marks();
    for (int row : rows)
        colour_id_cell(row, nullptr);
    pacer->request();
    emit floor_changed();
}

const FloorCheck &TagMapView::floor()
{
    read_table_if_changed();
    return floor_check;
}

void TagMapView::show_unseen(bool shown, int limit)
{
    unseen_shown = shown;
    unseen_limit = limit;
    pacer->request();
}

void TagMapView::cell_changed(QTableWidgetItem *item)
{
    if (colouring)
        return;
    table_changed = true;
    if (floor_check.forget_row(item->row()))
        colour_id_cell(item->row(), nullptr);
    pacer->request();
    emit floor_changed();
}

void TagMapView::read_table_if_changed()
{
    if (!table_changed)
        return;
    table_changed = false;
    TableTags table_tags;
    for (int row = 0; row < table.rowCount(); ++row) {
        TagRowTexts texts;
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
            if (const QTableWidgetItem *item = table.item(row, column))
                texts[column] = item->text();
        if (const std::optional<TagRecord> record = tag_record_from_texts(texts))
            table_tags.add(row, *record);
    }
    floor_check.set_table(std::move(table_tags));
}

void TagMapView::camera_reports(const TagRecord &reported)
{
    read_table_if_changed();
    const TableTags::Comparison comparison = floor_check.camera_reports(reported);
    if (comparison.row >= 0) {
        const FloorCheck::Mark mark = floor_check.marks().value(comparison.row);
        colour_id_cell(comparison.row, &mark);
    }
    pacer->request();
    emit floor_changed();
}

void TagMapView::colour_id_cell(int row, const FloorCheck::Mark *mark)
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
    const QHash<int, FloorCheck::Mark> &marks = floor_check.marks();
    QVector<plot::MapTag> tags;
    tags.reserve(floor_check.table().tags().size() + floor_check.unknown().size());
    for (const TableTags::Tag &tag : floor_check.table().tags()) {
        plot::MapTag shown;
        shown.row = tag.row;
        shown.values = values_of(tag.record);
        const auto mark = marks.constFind(tag.row);
        if (mark != marks.constEnd()) {
            shown.mark = plot_mark(mark->match);
            shown.camera = values_of(mark->camera);
        } else if (unseen_shown && tag.row < unseen_limit) {
            shown.mark = plot::TagMark::unseen;
        }
        tags.append(shown);
    }
    for (const TagRecord &reported : floor_check.unknown()) {
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
    select_row(tag_map->tags().at(index).row);
}

void TagMapView::select_row(int row)
{
    if (row < 0 || !table.isEnabled())
        return;
    table.setCurrentCell(row, 0);
    table.scrollToItem(table.item(row, 0), QAbstractItemView::PositionAtCenter);
}
