// Times the tag map import of a 20000-row workbook in each format, from
// SheetEngine::open to the filled table, against the time the archive or
// compound-file reader alone needs to read the same file, and the main
// window's construction with its 100 000 table items; then the import of each
// further workbook named. Prints medians of several runs.
//   import_bench [RUNS [FILE...]]   (QT_QPA_PLATFORM=offscreen when headless)
#include "app/mainwindow.h"
#include "app/sheettable.h"
#include "runtiming.h"
#include "tags/sheetengine.h"
#include "ui_mainwindowform.h"
#include "workbook/compoundfile.h"
#include "workbook/workbookreader.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <quazip.h>
#include <quazipfile.h>
#include <vector>

namespace
{

QString fixture(const char *name)
{
    return QStringLiteral(POSCAM_TEST_DATA_DIR "/") + QLatin1String(name);
}

// What QuaZip alone needs: open the archive from its file and inflate every
// entry.
qint64 inflate_every_entry(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArray bytes = file.readAll();
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdUnzip);
    qint64 total = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile entry(&zip);
        entry.open(QIODevice::ReadOnly);
        total += entry.readAll().size();
        entry.close();
    }
    zip.close();
    return total;
}

// The floor that QXmlStreamReader itself sets: tokenising the sheet's XML
// entry with no work per token.
qint64 tokenise_entry(const QString &path, const QString &entry_name)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArray bytes = file.readAll();
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdUnzip);
    zip.setCurrentFile(entry_name);
    QuaZipFile entry(&zip);
    entry.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(entry.readAll());
    qint64 tokens = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        ++tokens;
    }
    return tokens;
}

// What the compound-file reader alone needs: the workbook stream out of its
// container, the floor under the record reader.
qint64 workbook_stream(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const ReadResult<QByteArray> stream =
        read_compound_stream(file.readAll(), {QStringLiteral("Workbook")});
    return stream ? stream->size() : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    const RunTiming construction = time_runs(runs, [] { MainWindow window; });
    std::printf("window construction with 100000 items: median %.1f ms (min %.1f, max %.1f), "
                "%d runs\n",
                construction.median_ms, construction.min_ms, construction.max_ms, runs);

    MainWindow window;
    window.transport_limit = 20000;
    window.sheet_engine->row_limit = 20000;
    QTableWidget *table = window.ui->tableWidget;

    struct Format {
        const char *file;
        const char *bare_name;
        std::function<qint64(const QString &)> bare;
        const char *xml_entry;
    };
    const Format formats[] = {
        {"tags_20000.xlsx", "QuaZip inflating every entry", inflate_every_entry,
         "xl/worksheets/sheet1.xml"},
        {"tags_20000.ods", "QuaZip inflating every entry", inflate_every_entry, "content.xml"},
        {"tags_20000.xls", "the compound-file reader alone", workbook_stream, nullptr},
    };
    for (const Format &format : formats) {
        const QString path = fixture(format.file);
        bool ok = true;
        const RunTiming import = time_runs(runs, [&] {
            ok = ok && window.sheet_engine->open(path, 1, false) &&
                 read_into_table(*window.sheet_engine, table);
            window.sheet_engine->close();
        });
        if (!ok || table->item(19999, 4) == nullptr) {
            std::printf("%s: import failed\n", format.file);
            return 1;
        }
        const RunTiming parse = time_runs(runs, [&] { read_workbook_file(path); });
        const RunTiming bare = time_runs(runs, [&] { format.bare(path); });
        std::printf("%s: import %.1f ms (min %.1f, max %.1f), of which reading the sheet %.1f ms; "
                    "%s %.1f ms (min %.1f, max %.1f); ratio %.2f\n",
                    format.file, import.median_ms, import.min_ms, import.max_ms, parse.median_ms,
                    format.bare_name, bare.median_ms, bare.min_ms, bare.max_ms,
                    import.median_ms / bare.median_ms);
        if (format.xml_entry) {
            const RunTiming tokens = time_runs(
                runs, [&] { tokenise_entry(path, QString::fromLatin1(format.xml_entry)); });
            std::printf("%s: QXmlStreamReader tokenising %s alone %.1f ms (min %.1f, max %.1f)\n",
                        format.file, format.xml_entry, tokens.median_ms, tokens.min_ms,
                        tokens.max_ms);
        }
    }
    for (int i = 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        bool ok = true;
        const RunTiming import = time_runs(runs, [&] {
            ok = ok && window.sheet_engine->open(path, 1, false) &&
                 read_into_table(*window.sheet_engine, table);
            window.sheet_engine->close();
        });
        std::printf("%s: import %s %.2f ms (min %.2f, max %.2f)\n", argv[i], ok ? "" : "(refused)",
                    import.median_ms, import.min_ms, import.max_ms);
    }
    return 0;
}
