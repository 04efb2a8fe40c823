#include "camsimprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace
{

constexpr int kRobots = 8;

// The fleet example exactly as the README gives it, between its markers.
QString readme_example()
{
    QFile readme(QStringLiteral(POSCAM_TEST_DATA_DIR "/../../README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromUtf8(readme.readAll());
    const QRegularExpression block(
        QStringLiteral("<!-- fleet-example -->\\s*```sh\\n(.*?)```\\s*<!-- end fleet-example -->"),
        QRegularExpression::DotMatchesEverythingOption);
    return block.match(text).captured(1);
}

} // namespace

// The README's example of loading eight robots at once, run as written
// against eight simulated cameras.
class FleetExampleTest : public QObject
{
    Q_OBJECT

private slots:
    void readmeExampleLoadsEveryRobotAndGathersTheirStatus();
};

void FleetExampleTest::readmeExampleLoadsEveryRobotAndGathersTheirStatus()
{
    const QString example = readme_example();
    QVERIFY(example.contains(QLatin1String("xargs -P 8")));

    std::vector<std::unique_ptr<CamsimProcess>> cameras;
    QStringList ports;
    for (int k = 0; k < kRobots; ++k) {
        cameras.push_back(std::make_unique<CamsimProcess>());
        QVERIFY(cameras.back()->start({}));
        ports << cameras.back()->port();
    }
    QTemporaryDir work;
    QVERIFY(QFile::copy(QStringLiteral(POSCAM_TEST_DATA_DIR "/../../examples/tag_map.xlsx"),
                        work.filePath(QStringLiteral("floor.xlsx"))));
    QFile robots(work.filePath(QStringLiteral("robots.txt")));
    QVERIFY(robots.open(QIODevice::WriteOnly));
    robots.write((ports.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    robots.close();

    QProcess shell;
    shell.setWorkingDirectory(work.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), QFileInfo(QStringLiteral(POSCAM_MAP)).path() +
                                                   QLatin1Char(':') +
                                                   environment.value(QStringLiteral("PATH")));
    // The sessions and the ledger go to the test's own folder.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), work.filePath(QStringLiteral("data")));
    shell.setProcessEnvironment(environment);
    shell.start(QStringLiteral("sh"), {QStringLiteral("-e"), QStringLiteral("-c"), example});
    QVERIFY(shell.waitForFinished(180000));
    QCOMPARE(shell.exitCode(), 0);

    QFile results(work.filePath(QStringLiteral("results.txt")));
    QVERIFY(results.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(results.readAll()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    QStringList expected;
    for (const QString &port : ports)
        expected << QStringLiteral("0 ") + port;
    expected.sort();
    QCOMPARE(lines, expected);
    QCOMPARE(QDir(work.filePath(QStringLiteral("logs"))).entryList(QDir::Files).size(), kRobots);
    for (auto &camera : cameras) {
        // The floor's 25 tags, and the header line.
        QCOMPARE(camera->received_map().count(QLatin1Char('\n')), 26);
        QVERIFY(camera->stop());
    }
}

QTEST_GUILESS_MAIN(FleetExampleTest)
#include "tst_fleetexample.moc"
