#include "protocol/reporttext.h"

namespace protocol
{

namespace
{

const QString kFieldSeparator = QStringLiteral("   ");

} // namespace

QString hex_echo(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text(bytes.size() * 3, Qt::Uninitialized);
    QChar *out = text.data();
    for (char byte : bytes) {
        const quint8 value = quint8(byte);
        *out++ = QLatin1Char(digits[value >> 4]);
        *out++ = QLatin1Char(digits[value & 0x0F]);
        *out++ = QLatin1Char(' ');
    }
    return text;
}

QStringList hex_echo_paragraphs(const QByteArray &bytes)
{
    QStringList paragraphs;
    for (int from = 0; from < bytes.size(); from += kEchoBytesPerParagraph)
        paragraphs << hex_echo(bytes.mid(from, kEchoBytesPerParagraph));
    return paragraphs;
}

QString decoded_text(double value)
{
    return QString::number(value, 'g', 6);
}

QString location_text(float x, float y)
{
    return decoded_text(x) + QLatin1Char(',') + decoded_text(y);
}

QString degrees_text(float degrees)
{
    return decoded_text(degrees) + QStringLiteral("°");
}

QString tag_line(const TagReport &tag)
{
    return QString::number(tag.id) + kFieldSeparator + decoded_text(tag.x_cm) + kFieldSeparator +
           decoded_text(tag.y_cm) + kFieldSeparator + QString::number(tag.side_mm) +
           kFieldSeparator + decoded_text(tag.angle_deg);
}

QString code_list_line(const CodeListEntry &entry)
{
    return QString::number(entry.id) + kFieldSeparator + decoded_text(entry.first) +
           kFieldSeparator + decoded_text(entry.second) + kFieldSeparator +
           decoded_text(entry.third);
}

} // namespace protocol
