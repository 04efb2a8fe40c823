#pragma once

#include <QObject>

class QSocketNotifier;

namespace maptool
{

// SIGINT and SIGTERM delivered as a Qt signal on the event loop's thread,
// so that a command stops between two frames, never in the middle of one.
// One at a time; the handlers are restored when it goes.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stop_requested();

private:
    QSocketNotifier *notifier = nullptr;
};

} // namespace maptool
