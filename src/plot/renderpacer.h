#pragma once

#include "plot/displaypacer.h"

#include <QRect>
#include <QSize>
#include <functional>
#include <qcustomplot.h>

namespace plot
{

// Renders a plot at most once per display frame, with the latest state, and
// only as much of it as changed: while the view stays, a frame redraws the
// trajectory's and the outline's layers alone; a moved or resized view
// replots everything. Nothing is rendered while nobody can see the plot;
// the first painting after it is seen again shows the latest state.
// A child of the plot it renders.
class RenderPacer : public DisplayPacer
{
    Q_OBJECT

public:
    explicit RenderPacer(QCustomPlot &plot);

    // Runs at the start of every frame, before the pacer looks at the view:
    // what keeps the view on the robot.
    void set_before_frame(std::function<void()> hook);

    // On: every frame replots everything and stamps every dot, as before
    // frames redrew only what changed (the benchmark's reference).
    void set_full_redraw(bool on);

signals:
    // A frame begins; the plot may be painted before frame_drawn().
    void frame_starts();
    void frame_drawn();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct ViewKey {
        QCPRange x;
        QCPRange y;
        QRect axis_rect;
        QSize size;
        qreal ratio = 0;
        bool operator==(const ViewKey &other) const
        {
            return x == other.x && y == other.y && axis_rect == other.axis_rect &&
                   size == other.size && ratio == other.ratio;
        }
    };

    ViewKey view_key() const;
    void render();
    void draw_frame();

    QCustomPlot &plot;
    std::function<void()> before_frame;
    bool full_redraw = false;
    bool missed = false;
    ViewKey replotted;
};

} // namespace plot
