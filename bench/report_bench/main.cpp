// Writes a map of N tags on a 50 cm grid and a session in which the camera
// reports each of them with its y one centimetre off, for timing
// `poscam-session report FOLDER/drive.pcapng --map FOLDER/map.xlsx -o OUT`.
#include "protocol/commandframes.h"
#include "session/pcapng.h"
#include "tags/mapwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int tags = 20000;
    QString out;
    const QStringList arguments = app.arguments();
    for (int k = 1; k + 1 < arguments.size(); k += 2) {
        if (arguments.at(k) == QLatin1String("--tags"))
            tags = arguments.at(k + 1).toInt();
        else if (arguments.at(k) == QLatin1String("--out"))
            out = arguments.at(k + 1);
    }
    if (out.isEmpty() || tags < 1 || tags > 20000 || !QDir().mkpath(out)) {
        std::fprintf(stderr, "usage: report_bench --tags N --out FOLDER (N from 1 to 20000)\n");
        return 2;
    }
    QVector<TagRowTexts> rows;
    QByteArray session =
        session::section_header_block(QStringLiteral("report_bench")) +
        session::interface_block(QStringLiteral("ttyUSB0"), QStringLiteral("115200 8N1 无流控"));
    for (int k = 0; k < tags; ++k) {
        // Ids 1..19999: a table row with 20000 or more sends id 1.
        const TagRecord tag{k % 19999 + 1, (k % 200) * 50, (k / 200) * 50, 40, 0};
        rows.append(tag_row_of(tag));
        TagRecord reported = tag;
        reported.y_cm += 1;
        QByteArray frame = protocol::record_frame_template();
        protocol::fill_record_frame(frame, reported);
        session += session::packet_block(1'000'000 + qint64(k) * 2000, true, frame);
    }
    QString error;
    if (!write_map_file(QDir(out).filePath(QStringLiteral("map.xlsx")), rows, &error)) {
        std::fprintf(stderr, "report_bench: %s\n", qPrintable(error));
        return 1;
    }
    QFile file(QDir(out).filePath(QStringLiteral("drive.pcapng")));
    if (!file.open(QIODevice::WriteOnly) || file.write(session) != session.size()) {
        std::fprintf(stderr, "report_bench: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    std::printf("%d tags: %s/map.xlsx, %s/drive.pcapng\n", tags, qPrintable(out), qPrintable(out));
    return 0;
}
