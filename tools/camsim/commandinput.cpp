#include "commandinput.h"

#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <unistd.h>

namespace camsim
{

namespace
{

// A line longer than this is no command; it is dropped.
constexpr int kMaxLine = 4096;

} // namespace

CommandInput::CommandInput(QObject *parent) : QObject(parent)
{
    notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &CommandInput::readable);
}

void CommandInput::readable()
{
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        notifier->setEnabled(false);
        return;
    }
    pending.append(buffer, int(n));
    int end;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(pending.left(end)).trimmed();
        pending.remove(0, end + 1);
        if (!line.isEmpty())
            emit command(line);
    }
    if (pending.size() > kMaxLine)
        pending.clear();
}

} // namespace camsim
