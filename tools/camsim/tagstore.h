#pragma once

#include "protocol/tagrecord.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

namespace camsim
{

// The camera's tag map: one entry per code id, in the order the ids first
// arrived; a record sent again under the same id replaces the entry in place.
// Ids are 16-bit on the wire, so the map never holds more than 65536 entries.
class TagStore
{
public:
    struct Entry {
        TagRecord record;
        QByteArray frame; // the tag frame as it came off the wire
    };

    // True when the id was not held before.
    bool store(const TagRecord &record, const QByteArray &frame);
    void clear();

    int size() const
    {
        return entries.size();
    }
    const QVector<Entry> &all() const
    {
        return entries;
    }

    // A header line, then per entry: id, x_cm, y_cm, side_mm, angle_deg and the
    // frame in upper-case hex without spaces, separated by TAB; every line
    // ends with a line feed.
    QString to_tsv() const;

private:
    QVector<Entry> entries;
    QHash<qint32, int> index_of_id;
};

} // namespace camsim
