#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QCustomPlot;

namespace plot
{

// Renders a plot at most once per display frame, however many positions
// arrive: the camera can report hundreds a second, and a render of a full
// trajectory costs milliseconds. A request made while a render is due is
// folded into it, so the render always shows the latest state.
class RenderPacer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFrameMs = 33;

    // Becomes a child of `plot`.
    explicit RenderPacer(QCustomPlot &plot);

    void request();

private:
    void render();

    QCustomPlot &plot;
    QTimer due;
    QElapsedTimer since_render;
};

// Asks the pacer of `plot` for a render; a plot without one renders in the
// next pass of the event loop.
void request_render(QCustomPlot &plot);

} // namespace plot
