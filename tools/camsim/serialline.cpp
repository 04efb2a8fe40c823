#include "serialline.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace camsim
{

namespace
{

// A host that stops reading must not make the camera hold its reports
// forever; beyond this, new frames are discarded as a wire would lose them.
constexpr int kMaxQueued = 1 << 20;
constexpr int kMaxPiece = 24;
constexpr int kMaxNoise = 8;
// How often a pseudo-terminal without a host looks for one.
constexpr int kHostPollMs = 20;

bool make_raw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

speed_t speed_of(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

int baud_of(speed_t speed)
{
    const int bauds[] = {1200,  2400,   4800,   9600,   19200, 38400,
                         57600, 115200, 230400, 460800, 921600};
    for (const int baud : bauds)
        if (speed_of(baud) == speed)
            return baud;
    return 0;
}

QString system_error()
{
    return QString::fromLocal8Bit(strerror(errno));
}

} // namespace

QString SerialLine::settings_text() const
{
    termios tio{};
    if (fd < 0 || tcgetattr(fd, &tio) != 0)
        return QStringLiteral("closed");
    const tcflag_t size = tio.c_cflag & CSIZE;
    const int data_bits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    const char parity = !(tio.c_cflag & PARENB)  ? 'N'
                        : (tio.c_cflag & CMSPAR) ? ((tio.c_cflag & PARODD) ? 'M' : 'S')
                        : (tio.c_cflag & PARODD) ? 'O'
                                                 : 'E';
    const int stop_bits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    const QString flow = (tio.c_cflag & CRTSCTS) ? QStringLiteral("hardware")
                         : (tio.c_iflag & IXON)  ? QStringLiteral("software")
                                                 : QStringLiteral("none");
    return QStringLiteral("%1 %2%3%4 %5")
        .arg(baud_of(cfgetospeed(&tio)))
        .arg(data_bits)
        .arg(QLatin1Char(parity))
        .arg(stop_bits)
        .arg(flow);
}

SerialLine::SerialLine(quint32 seed, QObject *parent) : QObject(parent), random(seed)
{
    drain_timer.setSingleShot(true);
    connect(&drain_timer, &QTimer::timeout, this, &SerialLine::drain);
    connect(&host_timer, &QTimer::timeout, this, &SerialLine::look_for_host);
}

SerialLine::~SerialLine()
{
    close_line();
}

bool SerialLine::open_pseudo_terminal(QString *error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: ") + system_error();
        return false;
    }
    // The host's end starts raw, so that nothing it sends is changed on the way.
    make_raw(slave);
    ::close(slave);
    pseudo_terminal = true;
    adopt(master, QString::fromLocal8Bit(name));
    host_present = false;
    read_notifier->setEnabled(false);
    host_timer.start(kHostPollMs);
    return true;
}

bool SerialLine::open_device(const QString &device, int baud, QString *error)
{
    const speed_t speed = speed_of(baud);
    if (speed == B0) {
        *error = QStringLiteral("unsupported baud rate %1").arg(baud);
        return false;
    }
    const int line = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(device, system_error());
        return false;
    }
    termios tio{};
    if (tcgetattr(line, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tcsetattr(line, TCSANOW, &tio);
    }
    pseudo_terminal = false;
    adopt(line, device);
    return true;
}

void SerialLine::adopt(int line_fd, const QString &name)
{
    fd = line_fd;
    line_path = name;
    host_present = true;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    read_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(read_notifier, &QSocketNotifier::activated, this, &SerialLine::read_ready);
    write_notifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    write_notifier->setEnabled(false);
    connect(write_notifier, &QSocketNotifier::activated, this, [this] {
        write_notifier->setEnabled(false);
        drain();
    });
}

void SerialLine::vanish()
{
    if (fd < 0)
        return;
    close_line();
    emit closed();
}

void SerialLine::close_line()
{
    if (fd < 0)
        return;
    delete read_notifier;
    read_notifier = nullptr;
    delete write_notifier;
    write_notifier = nullptr;
    drain_timer.stop();
    host_timer.stop();
    queue.clear();
    ::close(fd);
    fd = -1;
}

void SerialLine::set_host_present(bool present)
{
    const bool changed = present != host_present;
    host_present = present;
    read_notifier->setEnabled(present);
    if (present) {
        host_timer.stop();
    } else {
        // What the host has not taken is lost with it.
        queue.clear();
        drain_timer.stop();
        write_notifier->setEnabled(false);
        host_timer.start(kHostPollMs);
    }
    if (changed)
        emit host_changed(present);
}

void SerialLine::look_for_host()
{
    // The master side reads a hang-up exactly while no one has the slave open.
    pollfd line{fd, POLLIN, 0};
    if (::poll(&line, 1, 0) >= 0 && !(line.revents & POLLHUP))
        set_host_present(true);
}

void SerialLine::read_ready()
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (!bytes.isEmpty())
            emit received(bytes);
        // EIO on a pseudo-terminal: the host has closed its end. On a device,
        // end of file or an error: the device has gone.
        if (pseudo_terminal && n < 0 && errno == EIO)
            set_host_present(false);
        else
            vanish();
        return;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

QByteArray SerialLine::noise()
{
    QByteArray bytes(1 + int(random.bounded(kMaxNoise)), '\0');
    for (char &byte : bytes) {
        quint32 value = random.bounded(255u); // 0x00 .. 0xFE
        byte = char(value == 0xFE ? 0xFF : value);
    }
    return bytes;
}

void SerialLine::send_frame(const QByteArray &frame)
{
    if (!host_connected()) {
        discarded += frame.size();
        return;
    }
    QByteArray bytes = garbage > 0 && random.generateDouble() < garbage ? noise() : QByteArray();
    bytes += frame;
    if (queue.size() + bytes.size() > kMaxQueued) {
        discarded += bytes.size();
        return;
    }
    queue += bytes;
    schedule_drain();
}

void SerialLine::schedule_drain()
{
    if (host_connected() && !write_notifier->isEnabled() && !drain_timer.isActive())
        drain_timer.start(0);
}

void SerialLine::drain()
{
    while (host_connected() && !queue.isEmpty()) {
        const int piece =
            split ? qMin(queue.size(), 1 + int(random.bounded(kMaxPiece))) : queue.size();
        const ssize_t n = ::write(fd, queue.constData(), size_t(piece));
        if (n > 0) {
            queue.remove(0, int(n));
            if (split)
                break; // the next piece in a later pass of the event loop
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            write_notifier->setEnabled(true);
            return;
        }
        if (pseudo_terminal && n < 0 && errno == EIO)
            set_host_present(false);
        else
            vanish();
        return;
    }
    if (host_connected() && !queue.isEmpty())
        drain_timer.start(0);
}

} // namespace camsim
