#include "tagstore.h"

namespace camsim
{

bool TagStore::store(const TagRecord &record, const QByteArray &frame)
{
    const auto found = index_of_id.constFind(record.id);
    if (found != index_of_id.constEnd()) {
        entries[found.value()] = {record, frame};
        return false;
    }
    index_of_id.insert(record.id, entries.size());
    entries.append({record, frame});
    return true;
}

void TagStore::clear()
{
    entries.clear();
    index_of_id.clear();
}

QString TagStore::to_tsv() const
{
    QString text = QStringLiteral("id\tx_cm\ty_cm\tside_mm\tangle_deg\tframe\n");
    for (const Entry &entry : entries) {
        const TagRecord &r = entry.record;
        text += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                    .arg(r.id)
                    .arg(r.x_cm)
                    .arg(r.y_cm)
                    .arg(r.side_mm)
                    .arg(r.angle_deg)
                    .arg(QString::fromLatin1(entry.frame.toHex().toUpper()));
    }
    return text;
}

} // namespace camsim
