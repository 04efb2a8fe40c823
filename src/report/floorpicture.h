#pragma once

#include "report/reportcontent.h"

#include <QColor>
#include <QRectF>

class QPainter;

namespace report
{

// Draws the floor into `area`: every tag of the table (and every id the
// camera holds that the table lacks) in its status colour, the trajectory
// over them. One centimetre is as long across as up, whatever the floor's
// shape; a scale bar says how long.
void draw_floor_picture(QPainter &painter, const QRectF &area, const CommissioningReport &content);

// The status colours the picture and its legend use.
QColor confirmed_colour();
QColor different_colour();
QColor unknown_colour();
QColor unseen_colour();

} // namespace report
