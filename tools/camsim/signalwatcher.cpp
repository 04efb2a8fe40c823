#include "signalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace camsim
{

namespace
{

int signal_pipe[2] = {-1, -1};

extern "C" void on_signal(int number)
{
    const char byte = char(number);
    const ssize_t ignored = ::write(signal_pipe[0], &byte, 1);
    (void)ignored;
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_pipe) != 0)
        return;
    fcntl(signal_pipe[0], F_SETFL, fcntl(signal_pipe[0], F_GETFL) | O_NONBLOCK);
    fcntl(signal_pipe[1], F_SETFL, fcntl(signal_pipe[1], F_GETFL) | O_NONBLOCK);
    notifier = new QSocketNotifier(signal_pipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalWatcher::pipe_readable);

    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGUSR1, SIGINT, SIGTERM})
        sigaction(number, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int number : {SIGUSR1, SIGINT, SIGTERM})
        std::signal(number, SIG_DFL);
    for (int &end : signal_pipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void SignalWatcher::pipe_readable()
{
    char numbers[16];
    const ssize_t n = ::read(signal_pipe[1], numbers, sizeof numbers);
    for (ssize_t k = 0; k < n; ++k) {
        if (numbers[k] == SIGUSR1)
            emit map_requested();
        else
            emit quit_requested();
    }
}

} // namespace camsim
