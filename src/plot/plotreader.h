#pragma once

#include <QObject>
#include <QPointF>

class QCPItemLine;
class QCPItemText;
class QCPLayer;
class QCustomPlot;

namespace plot
{

// Reading the position plot without changing it: the pointer's plot
// coordinates in the top-left corner, and a ruler that Shift + drag draws
// from the press to the pointer. Both sit on a buffered layer of their own,
// so a move of the pointer redraws that layer alone, not the 30000 dots.
class PlotReader : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kLayerName = "reading";

    explicit PlotReader(QCustomPlot &plot);

    bool ruler_shown() const;
    // "长度 … 角度 …°" while a ruler is drawn.
    QString ruler_text() const;
    QString readout_text() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show_readout(const QPoint &pixel);
    void start_ruler(const QPoint &pixel);
    void move_ruler(const QPoint &pixel);
    void end_ruler();
    QPointF coordinates(const QPoint &pixel) const;
    void redraw();

    QCustomPlot &plot;
    QCPLayer *layer = nullptr;
    QCPItemText *readout = nullptr;
    QCPItemLine *ruler = nullptr;
    QCPItemText *ruler_label = nullptr;
    QPointF ruler_from;
    bool measuring = false;
};

} // namespace plot
