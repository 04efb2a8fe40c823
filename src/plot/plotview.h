#pragma once

#include <QObject>

class QCustomPlot;
class QMouseEvent;

namespace plot
{

// The view commands the operator gives the position plot: fit everything in,
// follow the robot, show or hide the tag map. Nothing here moves the view
// unless the operator asked for it.
class PlotView : public QObject
{
    Q_OBJECT

public:
    static constexpr double kFitMargin = 0.05;

    explicit PlotView(QCustomPlot &plot);

    // Every visible plottable (the trajectory, the robot, the tag map) in
    // view at one scale on both axes. Ends following: the fit is meant to
    // show everything, which a view kept on the robot would not.
    void fit_all();

    bool following() const
    {
        return follow;
    }
    // While on, every render first moves the view's centre to the robot,
    // keeping the zoom; the operator dragging the view turns it off.
    void set_following(bool on);

    // While following, moves the view's centre to the robot (to within
    // half a pixel), keeping the zoom; a renderer calls it before each frame.
    void follow_robot();

    // The tag map's layer, which exists once a map is drawn.
    bool has_tag_layer() const;
    bool tag_layer_shown() const;
    void show_tag_layer(bool shown);

signals:
    void following_changed(bool on);

private:
    void centre_on_robot();
    void on_mouse_move(QMouseEvent *event);

    QCustomPlot &plot;
    bool follow = false;
};

} // namespace plot
