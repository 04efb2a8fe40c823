#pragma once

#include <QObject>
#include <functional>

class QCustomPlot;
class QMenu;
class QPoint;

namespace plot
{
class PlotReader;
class PlotView;
} // namespace plot

// The position plot's own context menu, and its double click, which fits the
// view: "适应全部", "跟随机器人", "显示标签地图" (once there is a tag map),
// "地图验收" (where the window offers it), "保存图片…", "复制图片". It also gives the plot its
// coordinate readout and ruler.
class PlotMenu : public QObject
{
    Q_OBJECT

public:
    explicit PlotMenu(QCustomPlot &plot);

    plot::PlotView &view()
    {
        return *plot_view;
    }
    plot::PlotReader &reader()
    {
        return *plot_reader;
    }

    // The menu as a right click at `pixel` opens it; deleted when closed.
    QMenu *open_menu(const QPoint &pixel);

    // Adds "地图验收", which calls `open`.
    void offer_coverage(std::function<void()> open);

private:
    void save_image();

    QCustomPlot &plot;
    plot::PlotView *plot_view = nullptr;
    plot::PlotReader *plot_reader = nullptr;
    std::function<void()> open_coverage;
};
