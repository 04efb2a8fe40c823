#include "tags/tagconversion.h"

namespace
{

// Magnitudes are taken in 64 bits so that the most negative int has one.
qint64 magnitude(int value)
{
    return value < 0 ? -qint64(value) : qint64(value);
}

int to_int(const QString &text)
{
    return text.toInt(nullptr, 10);
}

} // namespace

std::optional<TagRecord> tag_record_from_texts(const TagRowTexts &texts)
{
    const int id = to_int(texts[0]);
    if (id == 0)
        return std::nullopt;

    TagRecord record;
    // The camera numbers its tags below 20000; anything larger becomes tag 1
    // rather than a value that would not fit the frame's two id bytes.
    record.id = magnitude(id) >= 20000 ? 1 : qint32(magnitude(id));
    // C++ remainders truncate toward zero, so the sign survives: -65537 -> -1.
    record.x_cm = to_int(texts[1]) % 65536;
    record.y_cm = to_int(texts[2]) % 65536;
    record.side_mm = qint32(magnitude(to_int(texts[3])) % 1000);
    record.angle_deg = to_int(texts[4]) % 360;
    return record;
}

TagRowTexts tag_row_of(const TagRecord &record)
{
    return {QString::number(record.id), QString::number(record.x_cm), QString::number(record.y_cm),
            QString::number(record.side_mm), QString::number(record.angle_deg)};
}
