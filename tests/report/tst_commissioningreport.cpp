#include "camerareports.h"
#include "protocol/commandframes.h"
#include "session/pcapng.h"
#include "tags/mapfile.h"
#include "tags/mapwriter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000))
        return result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

Run make_report(const QStringList &arguments)
{
    return run(QStringLiteral(POSCAM_SESSION_TOOL),
               QStringList{QStringLiteral("report")} + arguments);
}

// The PDF's text, laid out as on the page, as a search or a copy reads it.
QString pdf_text(const QString &path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
        .out;
}

int pdf_pages(const QString &path)
{
    const QString info = run(QStringLiteral("pdfinfo"), {path}).out;
    return QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
}

TagRecord grid_tag(int k)
{
    return {k + 1, (k % 5) * 100, (k / 5) * 100, 50, 0};
}

QString write_map(const QString &path, const QVector<TagRecord> &tags)
{
    QVector<TagRowTexts> rows;
    for (const TagRecord &tag : tags)
        rows.append(tag_row_of(tag));
    QString error;
    return write_map_file(path, rows, &error) ? path : QString();
}

QByteArray tag_report(const TagRecord &tag)
{
    QByteArray wire = protocol::record_frame_template();
    protocol::fill_record_frame(wire, tag);
    return wire;
}

QByteArray session_header()
{
    return session::section_header_block(QStringLiteral("test")) +
           session::interface_block(QStringLiteral("/dev/ttyUSB7"),
                                    QStringLiteral("115200 8N1 无流控"));
}

QString write_file(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// The rows of the table under `heading`, up to the next heading, each as
// its `columns` numbers; blocks side by side share a line of the text.
QVector<QStringList> table_rows(const QString &text, const QString &heading, int columns)
{
    QVector<QStringList> rows;
    const int start = text.indexOf(heading);
    if (start < 0)
        return rows;
    const QStringList lines = text.mid(start).split(QLatin1Char('\n')).mid(1);
    const QRegularExpression numbers(QStringLiteral("^[\\s\\d-]+$"));
    QVector<QStringList> blocks;
    for (const QString &line : lines) {
        if (line.contains(QStringLiteral("的标签")))
            break;
        if (!numbers.match(line).hasMatch() || line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int at = 0; at < fields.size(); at += columns)
            rows.append(fields.mid(at, columns));
    }
    return rows;
}

} // namespace

class CommissioningReportTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("poppler-utils is not installed (scripts/deps --test installs it)");
    }

    // A drive over a 25-tag floor: ten tags as the map has them, two moved,
    // one the map lacks, thirteen never reported. The counts, the different
    // tags with both values, the unknown and the unseen ones all read back
    // from the PDF's text; the camera's counters too.
    void sessionReportHoldsTheCountsAndEveryListedTag()
    {
        QTemporaryDir folder;
        QVector<TagRecord> tags;
        for (int k = 0; k < 25; ++k)
            tags.append(grid_tag(k));
        const QString map = write_map(folder.filePath(QStringLiteral("map.xlsx")), tags);
        QVERIFY(!map.isEmpty());

        QByteArray bytes = session_header();
        qint64 t = 1'000'000;
        for (int k = 0; k < 10; ++k)
            bytes += session::packet_block(t += 20'000, true, tag_report(tags.at(k)));
        TagRecord moved = tags.at(10);
        moved.x_cm += 7;
        bytes += session::packet_block(t += 20'000, true, tag_report(moved));
        TagRecord turned = tags.at(11);
        turned.angle_deg = 90;
        bytes += session::packet_block(t += 20'000, true, tag_report(turned));
        bytes += session::packet_block(t += 20'000, true, tag_report({777, -50, -60, 40, 0}));
        for (int k = 0; k < 100; ++k)
            bytes += session::packet_block(t += 20'000, true, position_bytes_at(k * 4, 150, 90));
        bytes += session::packet_block(t += 20'000, true, hex_bytes("FF FE FD 00 0C 00 C8 FE FF"));
        const QString session = write_file(folder.filePath(QStringLiteral("drive.pcapng")), bytes);
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));

        const Run made =
            make_report({session, QStringLiteral("--map"), map, QStringLiteral("-o"), pdf});
        QVERIFY2(made.status == 0, qPrintable(made.err));
        QVERIFY(made.out.contains(QStringLiteral("confirmed 10 / 25")));
        const QString text = pdf_text(pdf);
        QVERIFY2(text.contains(QStringLiteral("已确认 10 / 25")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("不同 2")));
        QVERIFY(text.contains(QStringLiteral("表中没有 1")));
        QVERIFY(text.contains(QStringLiteral("尚未看到 13")));
        // The digits beside Chinese text, and the ideographs whose glyph the
        // font shares with a radical (口, 页, 角, 长), are found as typed.
        QVERIFY(text.contains(QStringLiteral("串口：/dev/ttyUSB7")));
        QVERIFY(text.contains(QStringLiteral("角度标准差")));
        QVERIFY(text.contains(QStringLiteral("相机计数器：12 / 200")));
        QVERIFY(!text.contains(QStringLiteral("不完整")));

        const QVector<QStringList> different = table_rows(text, QStringLiteral("不同的标签"), 10);
        QCOMPARE(different.size(), 2);
        // Row, id, the table's four values, the camera's four.
        QCOMPARE(different.at(0),
                 QStringList({"11", "11", "0", "200", "50", "0", "7", "200", "50", "0"}));
        QCOMPARE(different.at(1),
                 QStringList({"12", "12", "100", "200", "50", "0", "100", "200", "50", "90"}));
        const QVector<QStringList> unknown = table_rows(text, QStringLiteral("表中没有的标签"), 5);
        QCOMPARE(unknown.size(), 1);
        QCOMPARE(unknown.at(0), QStringList({"777", "-50", "-60", "40", "0"}));
        QStringList unseen_ids;
        for (const QStringList &row : table_rows(text, QStringLiteral("尚未看到的标签"), 6))
            unseen_ids << row.value(1);
        QStringList expected;
        for (int id = 13; id <= 25; ++id)
            expected << QString::number(id);
        QCOMPARE(unseen_ids, expected);

        const QString info = run(QStringLiteral("pdfinfo"), {pdf}).out;
        QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
        // Every page carries its number, and the last is the last.
        const int pages = pdf_pages(pdf);
        QVERIFY(pages >= 1);
        QVERIFY(text.contains(QStringLiteral("第 %1 页").arg(pages)));
        QVERIFY(!text.contains(QStringLiteral("第 %1 页").arg(pages + 1)));
    }

    // 19999 tags the camera holds otherwise, every one. Those with 0x01 as
    // the high byte of their id (256 to 511) the window cannot tell from a
    // 12-byte list: they stay unseen, here as there. Every tag is listed, on
    // a bounded number of compact pages.
    void everyTagDifferentStillListsEachOnBoundedPages()
    {
        QTemporaryDir folder;
        QVector<TagRecord> tags;
        QByteArray bytes = session_header();
        for (int k = 0; k < 19999; ++k) {
            const TagRecord tag{k + 1, (k % 200) * 50, (k / 200) * 50, 40, 0};
            tags.append(tag);
            TagRecord reported = tag;
            reported.y_cm += 1;
            bytes += session::packet_block(1'000'000 + k * 1000, true, tag_report(reported));
        }
        const QString map = write_map(folder.filePath(QStringLiteral("map.xlsx")), tags);
        const QString session = write_file(folder.filePath(QStringLiteral("all.pcapng")), bytes);
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
        const Run made =
            make_report({session, QStringLiteral("--map"), map, QStringLiteral("-o"), pdf});
        QVERIFY2(made.status == 0, qPrintable(made.err));

        const QString text = pdf_text(pdf);
        QVERIFY(text.contains(QStringLiteral("已确认 0 / 19999")));
        QVERIFY(text.contains(QStringLiteral("不同 19743")));
        const QVector<QStringList> different = table_rows(text, QStringLiteral("不同的标签"), 10);
        QCOMPARE(different.size(), 19743);
        QSet<int> ids;
        for (const QStringList &row : different)
            if (row.value(7).toInt() == row.value(3).toInt() + 1) // the camera's y is one more
                ids.insert(row.value(1).toInt());
        QCOMPARE(ids.size(), 19743);
        QVERIFY(ids.contains(19999) && ids.contains(255) && ids.contains(512) &&
                !ids.contains(256));
        QCOMPARE(table_rows(text, QStringLiteral("尚未看到的标签"), 6).size(), 256);
        const int pages = pdf_pages(pdf);
        QVERIFY2(pages > 1 && pages <= 120, qPrintable(QString::number(pages)));
    }

    // The map's source and fingerprint are those of the last transfer that
    // completed to the session's port: not a later interrupted one, not one
    // to another port, and a field quoted for its comma reads whole.
    void mapComesFromTheLedgersLastCompletedTransferToThePort()
    {
        QTemporaryDir folder;
        const QString map = write_map(folder.filePath(QStringLiteral("map.xlsx")), {grid_tag(0)});
        const QString session =
            write_file(folder.filePath(QStringLiteral("s.pcapng")), session_header());
        const QByteArray ledger =
            "time_utc,program,port,serial_number,source,records,fingerprint,outcome,first_count,"
            "second_count\n"
            "2026-12-01T08:00:00Z,poscam,/dev/ttyUSB7,A1B2,\"hall, east.xlsx\",1,1111aaaa2222bbbb,"
            "completed,1,1\n"
            "2026-12-02T08:00:00Z,poscam-map,/dev/ttyUSB0,C3,other.xlsx,1,3333cccc4444dddd,"
            "completed,1,1\n"
            "2026-12-03T08:00:00Z,poscam,/dev/ttyUSB7,A1B2,late.xlsx,1,5555eeee6666ffff,"
            "interrupted,,\n";
        QVERIFY(!write_file(folder.filePath(QStringLiteral("transfers.csv")), ledger).isEmpty());
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
        const Run made = make_report({session, QStringLiteral("--map"), map, QStringLiteral("-o"),
                                      pdf, QStringLiteral("--ledger"), folder.path()});
        QVERIFY2(made.status == 0, qPrintable(made.err));
        const QString text = pdf_text(pdf);
        QVERIFY2(text.contains(QStringLiteral("地图来源：hall, east.xlsx")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("地图指纹：1111aaaa2222bbbb")));
        QVERIFY(text.contains(QStringLiteral("适配器序列号：A1B2")));
    }

    // A file that is not a session gets the session reader's refusal; a
    // map that cannot be read gets the import's reason; neither writes a PDF.
    void badInputIsRefusedWithItsReason()
    {
        QTemporaryDir folder;
        const QString map = write_map(folder.filePath(QStringLiteral("map.xlsx")), {grid_tag(0)});
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
        const QString not_session =
            write_file(folder.filePath(QStringLiteral("notes.pcapng")), "just some text\n");
        Run made =
            make_report({not_session, QStringLiteral("--map"), map, QStringLiteral("-o"), pdf});
        QCOMPARE(made.status, 1);
        QVERIFY2(made.err.contains(QStringLiteral("not a session file: ")), qPrintable(made.err));

        const QString session =
            write_file(folder.filePath(QStringLiteral("s.pcapng")), session_header());
        const QString bad_map = write_file(folder.filePath(QStringLiteral("map.xlsx.txt")),
                                           QByteArrayLiteral("PK\x03\x04 not a zip at all"));
        const QString reason = read_map_rows(bad_map, 20000).failure;
        QVERIFY(!reason.isEmpty());
        made = make_report({session, QStringLiteral("--map"), bad_map, QStringLiteral("-o"), pdf});
        QCOMPARE(made.status, 1);
        QVERIFY2(made.err.contains(reason), qPrintable(made.err));
        QVERIFY(!QFile::exists(pdf));
    }

    // A session cut short in its last block: what it holds is reported, and
    // the report says it is incomplete.
    void sessionCutShortIsReportedAndMarkedIncomplete()
    {
        QTemporaryDir folder;
        const QString map =
            write_map(folder.filePath(QStringLiteral("map.xlsx")), {grid_tag(0), grid_tag(1)});
        QByteArray bytes = session_header() +
                           session::packet_block(1'000'000, true, tag_report(grid_tag(0))) +
                           session::packet_block(2'000'000, true, tag_report(grid_tag(1)));
        bytes.chop(5);
        const QString session = write_file(folder.filePath(QStringLiteral("cut.pcapng")), bytes);
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
        const Run made =
            make_report({session, QStringLiteral("--map"), map, QStringLiteral("-o"), pdf});
        QCOMPARE(made.status, 0);
        QVERIFY(made.err.contains(QStringLiteral("incomplete")));
        const QString text = pdf_text(pdf);
        QVERIFY2(text.contains(QStringLiteral("已确认 1 / 2")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("不完整")));
    }
};

QTEST_GUILESS_MAIN(CommissioningReportTest)
#include "tst_commissioningreport.moc"
