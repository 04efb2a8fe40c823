#include "stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace maptool
{

namespace
{

int signal_pipe[2] = {-1, -1};
struct sigaction previous_int;
struct sigaction previous_term;

void on_signal(int)
{
    const char byte = 1;
    // Nothing else is safe in a handler; a full pipe already holds the news.
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &byte, 1);
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_pipe) != 0)
        return;
    ::fcntl(signal_pipe[1], F_SETFL, O_NONBLOCK);
    notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        [[maybe_unused]] const ssize_t read = ::read(signal_pipe[0], bytes, sizeof bytes);
        emit stop_requested();
    });
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previous_int);
    ::sigaction(SIGTERM, &action, &previous_term);
}

StopSignals::~StopSignals()
{
    if (!notifier)
        return;
    ::sigaction(SIGINT, &previous_int, nullptr);
    ::sigaction(SIGTERM, &previous_term, nullptr);
    delete notifier;
    ::close(signal_pipe[0]);
    ::close(signal_pipe[1]);
    signal_pipe[0] = signal_pipe[1] = -1;
}

} // namespace maptool
