#include "plot/plotreader.h"

#include "plot/viewmath.h"

#include <qcustomplot.h>

namespace plot
{

namespace
{

const QColor kRulerColour(200, 0, 160);

QString one_decimal(double value)
{
    return QString::number(value, 'f', 1);
}

void make_passive(QCPAbstractItem *item, QCPLayer *layer)
{
    item->setLayer(layer);
    item->setSelectable(false);
    item->setVisible(false);
}

} // namespace

PlotReader::PlotReader(QCustomPlot &plot) : QObject(&plot), plot(plot)
{
    plot.addLayer(QString::fromLatin1(kLayerName), plot.layer(QStringLiteral("overlay")),
                  QCustomPlot::limAbove);
    layer = plot.layer(QString::fromLatin1(kLayerName));
    layer->setMode(QCPLayer::lmBuffered);

    QFont small = plot.font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    readout = new QCPItemText(&plot);
    make_passive(readout, layer);
    readout->setFont(small);
    readout->setClipToAxisRect(true);
    readout->position->setType(QCPItemPosition::ptAxisRectRatio);
    readout->position->setCoords(0, 0);
    readout->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    readout->setPadding(QMargins(4, 2, 4, 2));
    readout->setBrush(QBrush(QColor(255, 255, 255, 200)));

    ruler = new QCPItemLine(&plot);
    make_passive(ruler, layer);
    ruler->setPen(QPen(kRulerColour, 1.5));
    ruler->setHead(QCPLineEnding::esBar);
    ruler->setTail(QCPLineEnding::esBar);

    ruler_label = new QCPItemText(&plot);
    make_passive(ruler_label, layer);
    ruler_label->setFont(small);
    ruler_label->setColor(kRulerColour);
    ruler_label->position->setParentAnchor(ruler->end);
    ruler_label->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    ruler_label->setPadding(QMargins(6, 2, 6, 2));
    ruler_label->setBrush(QBrush(QColor(255, 255, 255, 200)));

    // The readout follows the pointer without a button held.
    plot.setMouseTracking(true);
    plot.installEventFilter(this);
}

bool PlotReader::ruler_shown() const
{
    return measuring;
}

QString PlotReader::ruler_text() const
{
    return measuring ? ruler_label->text() : QString();
}

QString PlotReader::readout_text() const
{
    return readout->visible() ? readout->text() : QString();
}

bool PlotReader::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &plot)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        show_readout(mouse->pos());
        if (!measuring)
            return false;
        move_ruler(mouse->pos());
        return true; // no pan, no selection while measuring
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ShiftModifier))
            return false;
        start_ruler(mouse->pos());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!measuring || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        end_ruler();
        return true;
    case QEvent::KeyPress:
        if (!measuring || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
            return false;
        end_ruler();
        return true;
    case QEvent::Leave:
        if (readout->visible()) {
            readout->setVisible(false);
            redraw();
        }
        return false;
    default:
        return false;
    }
}

void PlotReader::show_readout(const QPoint &pixel)
{
    const bool inside = plot.axisRect()->rect().contains(pixel);
    if (inside) {
        const QPointF at = coordinates(pixel);
        readout->setText(
            QStringLiteral("x %1  y %2").arg(one_decimal(at.x()), one_decimal(at.y())));
    }
    if (inside || readout->visible()) {
        readout->setVisible(inside);
        redraw();
    }
}

void PlotReader::start_ruler(const QPoint &pixel)
{
    measuring = true;
    ruler_from = coordinates(pixel);
    ruler->start->setCoords(ruler_from);
    // Escape reaches the plot only while it has the focus.
    plot.setFocus(Qt::MouseFocusReason);
    move_ruler(pixel);
    ruler->setVisible(true);
    ruler_label->setVisible(true);
    redraw();
}

void PlotReader::move_ruler(const QPoint &pixel)
{
    const QPointF to = coordinates(pixel);
    ruler->end->setCoords(to);
    const RulerReading reading = ruler_reading(ruler_from, to);
    ruler_label->setText(QStringLiteral("长度 %1  角度 %2°")
                             .arg(one_decimal(reading.length), one_decimal(reading.angle_degrees)));
    redraw();
}

void PlotReader::end_ruler()
{
    measuring = false;
    ruler->setVisible(false);
    ruler_label->setVisible(false);
    redraw();
}

QPointF PlotReader::coordinates(const QPoint &pixel) const
{
    return {plot.xAxis->pixelToCoord(pixel.x()), plot.yAxis->pixelToCoord(pixel.y())};
}

void PlotReader::redraw()
{
    layer->replot();
}

} // namespace plot
