#include "camerareports.h"

#include <QList>
#include <cmath>
#include <initializer_list>

namespace
{

void put_u16(QByteArray &frame, int at, int value)
{
    frame[at] = char((value >> 8) & 0xFF);
    frame[at + 1] = char(value & 0xFF);
}

void put_u24(QByteArray &frame, int at, int value)
{
    frame[at] = char((value >> 16) & 0xFF);
    put_u16(frame, at + 1, value);
}

int mean(const QByteArray &frame, std::initializer_list<int> positions)
{
    int sum = 0;
    for (int at : positions)
        sum += quint8(frame.at(at));
    return sum / int(positions.size());
}

} // namespace

QByteArray hex_bytes(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray collected_frame(const QByteArray &wire)
{
    return wire.mid(1, wire.size() - 2);
}

QByteArray position_bytes(const PositionBytes &f)
{
    QByteArray frame(22, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFE);
    frame[2] = char(f.x_sign);
    put_u24(frame, 3, f.x_tenths);
    frame[6] = char(f.y_sign);
    put_u24(frame, 7, f.y_tenths);
    put_u16(frame, 10, f.rotation_tenths);
    frame[12] = char(f.attitude_x_sign);
    put_u16(frame, 13, f.attitude_x_hundredths);
    frame[15] = char(f.attitude_y_sign);
    put_u16(frame, 16, f.attitude_y_hundredths);
    frame[19] = char(mean(frame, {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17}) + f.check_offset);
    frame[20] = char(0xFE);
    frame[21] = char(0xFF);
    return frame;
}

QByteArray position_bytes_at(double x, double y, double angle)
{
    PositionBytes f;
    f.x_sign = x < 0 ? 1 : 0;
    f.x_tenths = int(std::lround(std::fabs(x) * 10));
    f.y_sign = y < 0 ? 1 : 0;
    f.y_tenths = int(std::lround(std::fabs(y) * 10));
    f.rotation_tenths = int(std::lround(angle * 10));
    return position_bytes(f);
}

QByteArray code_list_bytes(const QList<CodeListBytes> &entries)
{
    const int n = entries.size();
    QByteArray frame(11 * n + 6, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFE);
    frame[2] = char(n);
    for (int k = 0; k < n; ++k) {
        const CodeListBytes &e = entries.at(k);
        const int at = 3 + 11 * k;
        put_u16(frame, at, e.id);
        frame[at + 2] = char(e.first_sign);
        put_u16(frame, at + 3, e.first_tenths);
        frame[at + 5] = char(e.second_sign);
        put_u16(frame, at + 6, e.second_tenths);
        put_u16(frame, at + 8, e.third_tenths);
        frame[at + 10] =
            char(mean(frame, {at, at + 1, at + 3, at + 4, at + 6, at + 7, at + 8, at + 9}) +
                 e.check_offset);
    }
    frame[11 * n + 4] = char(0xFE);
    frame[11 * n + 5] = char(0xFF);
    return frame;
}
