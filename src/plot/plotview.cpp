#include "plot/plotview.h"

#include "plot/trajectoryplot.h"
#include "plot/viewmath.h"

#include <qcustomplot.h>

namespace plot
{

namespace
{

const QString kTagLayer = QStringLiteral("tags");
// Two passes settle it but for labels that change width twice over.
constexpr int kMostFitPasses = 4;

Span span_of(const QCPRange &range)
{
    return {range.lower, range.upper};
}

// What a replot does first, without drawing: ticks and their labels for the
// present ranges, then the margins and rects they need.
void lay_out(QCustomPlot &plot)
{
    QCPLayoutGrid *layout = plot.plotLayout();
    layout->update(QCPLayoutElement::upPreparation);
    layout->update(QCPLayoutElement::upMargins);
    layout->update(QCPLayoutElement::upLayout);
}

} // namespace

PlotView::PlotView(QCustomPlot &plot) : QObject(&plot), plot(plot)
{
    connect(&plot, &QCustomPlot::beforeReplot, this, &PlotView::follow_robot);
    connect(&plot, &QCustomPlot::mouseMove, this, &PlotView::on_mouse_move);
}

void PlotView::fit_all()
{
    QCPRange keys;
    QCPRange values;
    bool any = false;
    for (int k = 0; k < plot.plottableCount(); ++k) {
        const QCPAbstractPlottable *plottable = plot.plottable(k);
        if (!plottable->realVisibility())
            continue;
        bool found_keys = false;
        bool found_values = false;
        const QCPRange key_range = plottable->getKeyRange(found_keys);
        const QCPRange value_range = plottable->getValueRange(found_values);
        if (!found_keys || !found_values)
            continue;
        if (any) {
            keys.expand(key_range);
            values.expand(value_range);
        } else {
            keys = key_range;
            values = value_range;
            any = true;
        }
    }
    if (!any)
        return;
    set_following(false);
    // The new ranges bring new tick labels, whose width moves the axis rect's
    // edge: a view fitted to the old rect is then a few per cent off one
    // scale. Laid out with the new labels and fitted again until the rect
    // stays put (labels that change width once more can move it again).
    QRect fitted_to;
    for (int pass = 0; pass < kMostFitPasses && plot.axisRect()->rect() != fitted_to; ++pass) {
        fitted_to = plot.axisRect()->rect();
        const ViewSpans view = fit_equal_scale(
            span_of(keys), span_of(values),
            fitted_to.isEmpty() ? QSizeF(plot.size()) : fitted_to.size(), kFitMargin);
        plot.xAxis->setRange(view.x.lower, view.x.upper);
        plot.yAxis->setRange(view.y.lower, view.y.upper);
        lay_out(plot);
    }
    plot.replot(QCustomPlot::rpQueuedReplot);
}

void PlotView::set_following(bool on)
{
    if (follow == on)
        return;
    follow = on;
    if (follow)
        plot.replot(QCustomPlot::rpQueuedReplot);
    emit following_changed(on);
}

bool PlotView::has_tag_layer() const
{
    return plot.layer(kTagLayer) != nullptr;
}

bool PlotView::tag_layer_shown() const
{
    const QCPLayer *layer = plot.layer(kTagLayer);
    return layer && layer->visible();
}

void PlotView::show_tag_layer(bool shown)
{
    if (QCPLayer *layer = plot.layer(kTagLayer)) {
        layer->setVisible(shown);
        plot.replot(QCustomPlot::rpQueuedReplot);
    }
}

void PlotView::follow_robot()
{
    if (follow)
        centre_on_robot();
}

void PlotView::centre_on_robot()
{
    const QPointF robot = robot_position(plot);
    const QRect pixels = plot.axisRect()->rect();
    const Span x = centred_by_whole_pixels(span_of(plot.xAxis->range()), robot.x(), pixels.width());
    const Span y =
        centred_by_whole_pixels(span_of(plot.yAxis->range()), robot.y(), pixels.height());
    plot.xAxis->setRange(x.lower, x.upper);
    plot.yAxis->setRange(y.lower, y.upper);
}

void PlotView::on_mouse_move(QMouseEvent *event)
{
    // A left-button move over the plot is the library's range drag.
    if (follow && (event->buttons() & Qt::LeftButton))
        set_following(false);
}

} // namespace plot
