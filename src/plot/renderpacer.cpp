#include "plot/renderpacer.h"

#include "plot/plotvisibility.h"
#include "plot/trackgraph.h"
#include "plot/trajectoryplot.h"

namespace plot
{

RenderPacer::RenderPacer(QCustomPlot &plot) : DisplayPacer(&plot, [this] { render(); }), plot(plot)
{
    // Whatever replots the whole plot, the view it shows is the one a frame
    // can add to without replotting.
    connect(&plot, &QCustomPlot::afterReplot, this, [this] { replotted = view_key(); });
    plot.installEventFilter(this);
    if (plot.window() != &plot)
        plot.window()->installEventFilter(this);
}

void RenderPacer::set_before_frame(std::function<void()> hook)
{
    before_frame = std::move(hook);
}

void RenderPacer::set_full_redraw(bool on)
{
    full_redraw = on;
    if (auto *track = dynamic_cast<TrackGraph *>(plot.graph(kTrackGraph)))
        track->set_cached(!on);
}

bool RenderPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (!missed)
        return false;
    if (watched == &plot && event->type() == QEvent::Paint) {
        // Seen again: this painting shows the latest state, not the last
        // one rendered before the plot was hidden.
        shown();
        draw_frame();
    } else if (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange) {
        request();
    }
    return false;
}

RenderPacer::ViewKey RenderPacer::view_key() const
{
    return {plot.xAxis->range(), plot.yAxis->range(), plot.axisRect()->rect(), plot.size(),
            plot.devicePixelRatioF()};
}

void RenderPacer::render()
{
    if (!widget_seen(plot)) {
        missed = true;
        return;
    }
    draw_frame();
}

void RenderPacer::draw_frame()
{
    missed = false;
    emit frame_starts();
    if (before_frame)
        before_frame();
    QCPLayer *track = plot.layer(QString::fromLatin1(kTrackLayerName));
    QCPLayer *robot = plot.layer(QString::fromLatin1(kRobotLayerName));
    if (full_redraw || !track || !robot || !(view_key() == replotted)) {
        plot.replot(QCustomPlot::rpRefreshHint);
    } else {
        track->replot();
        robot->replot();
    }
    emit frame_drawn();
}

} // namespace plot
