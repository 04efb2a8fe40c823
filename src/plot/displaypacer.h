#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

// Shows something at most once per display frame, however often it changes:
// the camera can report hundreds of times a second, while a render of a full
// trajectory or an edit of a full log costs milliseconds. A request made while
// a showing is due is folded into it, so what is shown is always the latest.
class DisplayPacer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFrameMs = 33;

    // `show` runs when a requested frame is due, at most once every
    // `frame_ms`. Anything that shows outside the pacer calls shown().
    DisplayPacer(QObject *parent, std::function<void()> show, int frame_ms = kFrameMs);

    // A frame that falls due while nobody can see `widget` (hidden, or its
    // window minimised or not exposed) is held back, and shown as the widget
    // is seen again, before its window paints; requests made meanwhile still
    // look at each frame whether it is seen. `widget` must outlive the pacer.
    void hold_while_unseen(QWidget &widget);

    // Asks for a showing: at once in the next pass of the event loop if the
    // last was a frame ago, else when its frame ends.
    void request();

    // What is shown is up to date: nothing is due, and the next frame starts now.
    void shown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void frame_due();
    void watch_for_being_seen();

    std::function<void()> show;
    QTimer due;
    QElapsedTimer since_shown;
    int frame_ms;
    QWidget *watched = nullptr;
    bool held = false;
};
