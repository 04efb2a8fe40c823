// The tag map out to a DXF drawing and back: a 20000-tag map (a 100 x 200
// grid, every fifth tag turned and every seventh of another side; the ids
// 1..19999 and then 1 again, as no map can hold more ids) written
// as the table's "导出DXF…" writes it and read as "导入DXF…" reads it.
// Prints the median times of several runs, the file's size, and whether
// the rows read back equal those written.
//   dxf_bench [RUNS]
#include "runtiming.h"
#include "tags/mapdxf.h"
#include "tags/mapfile.h"
#include "tags/taggrid.h"
#include "tags/tagtable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    GridSpec spec;
    spec.rows = 100;
    spec.columns = 200;
    spec.pitch_x_cm = 60;
    spec.pitch_y_cm = -45;
    QVector<TagRowTexts> rows;
    // 19999 ids are all the camera has: the last tag repeats the first id.
    for (const TagRecord &tag : grid_tags(spec))
        rows.append({QString::number((tag.id - 1) % 19999 + 1), QString::number(tag.x_cm),
                     QString::number(tag.y_cm), QString::number(tag.id % 7 ? 50 : 65),
                     QString::number(tag.id % 5 ? 0 : -90)});

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("map.dxf"));
    QString error;
    const double write_ms = time_runs(runs, [&] {
                                if (!write_map_dxf(path, rows, &error))
                                    std::fprintf(stderr, "%s\n", qPrintable(error));
                            }).median_ms;
    MapRows read;
    const double read_ms =
        time_runs(runs, [&] { read = read_map_rows(path, TAG_TABLE_ROWS); }).median_ms;
    const bool equal = read.ok && read.rows == rows;
    std::printf("DXF export of %d tags: %.0f ms, %lld bytes\n", int(rows.size()), write_ms,
                QFileInfo(path).size());
    std::printf("DXF import of the same: %.0f ms, %d rows, table %s\n", read_ms,
                int(read.rows.size()), equal ? "equal" : "DIFFERENT");
    for (int k = 0; !equal && k < std::min(read.rows.size(), rows.size()); ++k)
        if (read.rows.at(k) != rows.at(k)) {
            std::printf(
                "first difference in row %d: %s written, %s read\n", k + 1,
                qPrintable(QStringList(rows.at(k).begin(), rows.at(k).end()).join(' ')),
                qPrintable(QStringList(read.rows.at(k).begin(), read.rows.at(k).end()).join(' ')));
            break;
        }
    return equal ? 0 : 1;
}
