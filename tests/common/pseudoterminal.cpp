#include "pseudoterminal.h"

#include <QElapsedTimer>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    int slave_fd = -1;
    char name[256] = {};
    if (openpty(&master_fd, &slave_fd, name, nullptr, nullptr) != 0) {
        master_fd = -1;
        return;
    }
    // Raw mode on the line so that no byte is translated or echoed.
    termios tio{};
    if (tcgetattr(slave_fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave_fd, TCSANOW, &tio);
    }
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);
    // Keeping one slave descriptor open means the master never reads EIO
    // between the program's close and its next open of the port.
    slave_keepalive_fd = slave_fd;
    path = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    close_master();
    if (slave_keepalive_fd >= 0)
        ::close(slave_keepalive_fd);
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    if (master_fd < 0)
        return false;
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    QElapsedTimer clock;
    clock.start();
    while (left > 0) {
        const ssize_t n = ::write(master_fd, p, size_t(left));
        if (n > 0) {
            p += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The line is full: let the program read before writing more.
        QTest::qWait(1);
        if (clock.elapsed() > 10000)
            return false;
    }
    return true;
}

QByteArray PseudoTerminal::read_available()
{
    QByteArray out;
    if (master_fd < 0)
        return out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_fd, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

QByteArray PseudoTerminal::read_at_least(int count, int timeout_ms)
{
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (out.size() < count && clock.elapsed() < timeout_ms) {
        out += read_available();
        if (out.size() >= count)
            break;
        QTest::qWait(2);
    }
    return out;
}

void PseudoTerminal::close_master()
{
    if (master_fd >= 0) {
        ::close(master_fd);
        master_fd = -1;
    }
}
