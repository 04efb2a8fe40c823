#pragma once

#include "plot/viewshift.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QVector>
#include <qcustomplot.h>

namespace plot
{

// The trajectory's graph. Its data are the stored points, exactly; on screen
// its dots come from a picture kept for the current view, because a display
// frame adds some 17 dots to a trajectory of up to 30000, and stamping them
// all again cost about 40 % of the window's time at the camera's line rate.
//
// The picture is painted from all points when the view's scale or size
// changes, when the data were replaced, and at most once a second while the
// oldest points leave the trajectory (they stay in the picture until then).
// A view moved by whole pixels scrolls the picture and paints only the strip
// it exposes. The picture is never larger than the axis rect, so points far
// outside the view cost nothing but the test that they are outside.
class TrackGraph : public QCPGraph
{
public:
    static constexpr int kDroppedRedrawMs = 1000;
    // New points kept for a picture not drawn for a while (the plot hidden):
    // beyond this the picture is painted anew from the data instead.
    static constexpr int kMostPending = 4096;

    TrackGraph(QCPAxis *key_axis, QCPAxis *value_axis);

    // (x, y) has joined data() as its newest point, after `dropped` of the
    // oldest points left it.
    void points_added(double x, double y, int dropped);
    // data() changed in any other way (cleared, replaced): the next draw
    // paints every dot anew.
    void points_replaced();

    // Off: every draw stamps the dots the library's way, as before the
    // picture existed (the benchmark's reference).
    void set_cached(bool on);
    bool is_cached() const
    {
        return cached;
    }

    // How often the picture was painted from all points.
    int full_paintings() const
    {
        return full_count;
    }
    // Whether dots of points that left the trajectory may still be shown.
    bool shows_dropped_points() const
    {
        return dropped_waiting;
    }

protected:
    void draw(QCPPainter *painter) override;

private:
    void draw_picture(QCPPainter &painter, const QRect &clip);
    void paint_all(const ViewFrame &view);
    void paint_exposed(const QRegion &exposed);
    // The new points, as the picture's view placed them: the current view
    // has moved `moved_since` from it.
    void paint_pending(const QPoint &moved_since);
    // Every point whose dot reaches into `area`, on `painter` clipped to it.
    void stamp_points(QCPPainter &painter, const QRegion &area) const;
    void apply_stamp_hint(QCPPainter &painter) const;
    void stamp(QCPPainter &painter, const QPointF &pixel) const;
    void schedule_dropped_redraw();

    bool cached = true;
    QPixmap picture;
    ViewFrame picture_view;
    bool picture_stale = true;
    bool dropped_waiting = false;
    QVector<QPointF> pending;
    QElapsedTimer since_full;
    QTimer dropped_redraw;
    int full_count = 0;
};

} // namespace plot
