#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

namespace camsim
{

// Reads commands from standard input, one per line, without blocking the
// event loop. At end of input it simply stops listening: a simulator started
// with its input closed keeps running.
class CommandInput : public QObject
{
    Q_OBJECT

public:
    explicit CommandInput(QObject *parent = nullptr);

signals:
    void command(const QString &line);

private:
    void readable();

    QSocketNotifier *notifier = nullptr;
    QByteArray pending;
};

} // namespace camsim
