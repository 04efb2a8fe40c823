#include "plot/displaypacer.h"

#include "plot/plotvisibility.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

DisplayPacer::DisplayPacer(QObject *parent, std::function<void()> show, int frame_ms)
    : QObject(parent), show(std::move(show)), frame_ms(frame_ms)
{
    due.setSingleShot(true);
    connect(&due, &QTimer::timeout, this, &DisplayPacer::frame_due);
}

void DisplayPacer::hold_while_unseen(QWidget &widget)
{
    watched = &widget;
}

void DisplayPacer::request()
{
    if (due.isActive())
        return;
    const qint64 waited = since_shown.isValid() ? since_shown.elapsed() : frame_ms;
    due.start(int(qMax<qint64>(0, frame_ms - waited)));
}

void DisplayPacer::shown()
{
    due.stop();
    since_shown.start();
}

void DisplayPacer::frame_due()
{
    shown();
    if (watched && !plot::widget_seen(*watched)) {
        held = true;
        watch_for_being_seen();
        return;
    }
    held = false;
    show();
}

void DisplayPacer::watch_for_being_seen()
{
    // Installing a filter again only moves it to the front. A tab brought
    // forward shows the widget; a window restored or exposed shows it all.
    watched->installEventFilter(this);
    QWidget *window = watched->window();
    window->installEventFilter(this);
    if (QWindow *handle = window->windowHandle())
        handle->installEventFilter(this);
}

bool DisplayPacer::eventFilter(QObject *object, QEvent *event)
{
    if (!held || object == this)
        return false;
    const QEvent::Type type = event->type();
    // The display exposes a window before the window paints: what was held
    // back is shown in that very painting.
    if ((type == QEvent::Show || type == QEvent::WindowStateChange || type == QEvent::Expose) &&
        plot::widget_seen(*watched)) {
        held = false;
        shown();
        show();
    }
    return false;
}
