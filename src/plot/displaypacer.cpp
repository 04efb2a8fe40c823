#include "plot/displaypacer.h"

DisplayPacer::DisplayPacer(QObject *parent, std::function<void()> show)
    : QObject(parent), show(std::move(show))
{
    due.setSingleShot(true);
    connect(&due, &QTimer::timeout, this, [this] {
        shown();
        this->show();
    });
}

void DisplayPacer::request()
{
    if (due.isActive())
        return;
    const qint64 waited = since_shown.isValid() ? since_shown.elapsed() : kFrameMs;
    due.start(int(qMax<qint64>(0, kFrameMs - waited)));
}

void DisplayPacer::shown()
{
    due.stop();
    since_shown.start();
}
