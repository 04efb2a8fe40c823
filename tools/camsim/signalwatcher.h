#pragma once

#include <QObject>

class QSocketNotifier;

namespace camsim
{

// Turns SIGUSR1, SIGINT and SIGTERM into signals of the event loop. A signal
// handler may do almost nothing, so it only writes the signal's number into a
// pipe that the event loop watches.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void map_requested();
    void quit_requested();

private:
    void pipe_readable();

    QSocketNotifier *notifier = nullptr;
};

} // namespace camsim
