#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run run_map(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(POSCAM_MAP), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

// check reads a file as the import does and checks it as a transfer does; a
// script trusts its exit status.
class MapCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void findingsAreNamedAndSetTheExitStatus();
    void unreadableFilesAndBadUsageExitTwoWithTheReason_data();
    void unreadableFilesAndBadUsageExitTwoWithTheReason();

private:
    QTemporaryDir folder;
};

void MapCheckTest::findingsAreNamedAndSetTheExitStatus()
{
    // The example workbook's header row is no finding.
    const Run clean = run_map({"check", POSCAM_TEST_DATA_DIR "/../../examples/tag_map.xlsx"});
    QCOMPARE(clean.status, 0);
    QVERIFY(clean.out.contains("tag_map.xlsx: 25 records to send, 0 findings, fingerprint "));

    // Row 3 repeats row 1's id; rows 4 and 5 lie after a limit of 3.
    const QString path = folder.filePath("map.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("5\t0\t0\t50\t0\t\n6\t100\t0\t50\t0\t\n5\t200\t0\t50\t0\t\n7\t300\t0\t50\t0\t\n"
               "8\t400\t0\t50\t0\t");
    file.close();
    const Run text = run_map({"check", "--limit", "3", path});
    QCOMPARE(text.status, 1);
    QVERIFY(text.out.endsWith("map.txt: 3 records to send, 2 findings, fingerprint " +
                              text.out.right(17)));
    const Run json = run_map({"check", "--json", "--limit", "3", path});
    QCOMPARE(json.status, 1);
    const QJsonArray findings = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(findings.size(), 2);
    QCOMPARE(findings.at(0).toObject().value("kind").toString(), QString("duplicate_id"));
    QCOMPARE(findings.at(0).toObject().value("row").toInt(), 3);
    QCOMPARE(findings.at(0).toObject().value("cell").toString(), QString("5"));
    QCOMPARE(findings.at(1).toObject().value("kind").toString(), QString("beyond_limit"));

    // The same records from another file have the same fingerprint.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("5\t0\t0\t50\t0\t\n6\t100\t0\t50\t0\t\n5\t200\t0\t50\t0\t");
    file.close();
    const Run same = run_map({"check", path});
    QCOMPARE(same.out.right(17), text.out.right(17));
}

void MapCheckTest::unreadableFilesAndBadUsageExitTwoWithTheReason_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("encrypted") << QStringList{"check",
                                              POSCAM_TEST_DATA_DIR "/xlsx_agile_real_password.xlsx"}
                               << QByteArray("password");
    QTest::newRow("missing") << QStringList{"check", "/nonexistent/map.xlsx"}
                             << QByteArray("map.xlsx");
    QTest::newRow("no file") << QStringList{"check", "--json"} << QByteArray("FILE is required");
    QTest::newRow("bad limit") << QStringList{"check", "--limit", "many", "x.xlsx"}
                               << QByteArray("--limit");
    QTest::newRow("unknown option")
        << QStringList{"check", "--fast", "x.xlsx"} << QByteArray("--fast");
}

void MapCheckTest::unreadableFilesAndBadUsageExitTwoWithTheReason()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, reason);
    const Run run = run_map(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(reason), run.err.constData());
}

QTEST_GUILESS_MAIN(MapCheckTest)
#include "tst_mapcheck.moc"
