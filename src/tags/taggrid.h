#pragma once

#include "protocol/tagrecord.h"

#include <QString>
#include <QVector>
#include <optional>

// A regular floor: one tag per cell, a fixed pitch, ids numbered in one of
// the orders floors are laid in. A negative pitch numbers towards -x or -y.
enum class GridOrder {
    rows,               // row by row, each row along x
    columns,            // column by column, each column along y
    serpentine_rows,    // row by row, every second row backwards
    serpentine_columns, // column by column, every second column backwards
};

struct GridSpec {
    int rows = 1;
    int columns = 1;
    int pitch_x_cm = 50;
    int pitch_y_cm = 50;
    int origin_x_cm = 0; // the first tag's place
    int origin_y_cm = 0;
    int first_id = 1;
    int id_step = 1;
    GridOrder order = GridOrder::rows;
    int side_mm = 50;
    int angle_deg = 0;
};

// The description's fields, for naming the one at fault.
enum class GridField {
    rows,
    columns,
    pitch_x,
    pitch_y,
    origin_x,
    origin_y,
    first_id,
    id_step,
    side,
    angle,
};

struct GridProblem {
    GridField field = GridField::rows;
    QString english; // for the command line
    QString chinese; // for the dialogue
};

// The first field whose value gives more tags than the table's rows, or a
// value the row conversion would change: ids 1..19999 and distinct, x and y
// within +-65535, side 0..999, angle within +-359. Nothing when every tag
// of the grid converts unchanged.
std::optional<GridProblem> grid_problem(const GridSpec &spec);

// Every tag of the grid in numbering order. Callers check grid_problem()
// first; a grid beyond the table's rows gives no tags.
QVector<TagRecord> grid_tags(const GridSpec &spec);

// The order's name on the command line ("serpentine-rows"), and back.
QString grid_order_name(GridOrder order);
std::optional<GridOrder> grid_order_from_name(const QString &name);
