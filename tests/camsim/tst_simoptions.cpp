#include "simoptions.h"

#include <QRegularExpression>
#include <QTest>

using namespace camsim;

namespace
{

ParsedOptions parse(const QStringList &arguments)
{
    return parse_sim_options(QStringList{QStringLiteral("poscam-camsim")} + arguments);
}

} // namespace

class SimOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void noArgumentsGiveAPseudoTerminalCameraOnLanes();
    void everyOptionIsReadAndExplained();
    void badValuesAreRefusedByName_data();
    void badValuesAreRefusedByName();
    void helpAndVersionArePrintedAndNothingRuns();
};

void SimOptionsTest::noArgumentsGiveAPseudoTerminalCameraOnLanes()
{
    const ParsedOptions parsed = parse({});
    QVERIFY(parsed.options);
    const SimOptions &o = *parsed.options;
    QVERIFY(o.device.isEmpty());
    QCOMPARE(o.path, PathShape::Lanes);
    QCOMPARE(o.rate_hz, 50.0);
    QCOMPARE(o.count, qint64(0));
    QCOMPARE(o.expect, -1);
    QVERIFY(!o.silent && !o.split);
    QCOMPARE(o.drop_acks, 0.0);
    QCOMPARE(o.reappear_after_ms, -1);
}

void SimOptionsTest::everyOptionIsReadAndExplained()
{
    const ParsedOptions parsed = parse({"--device",
                                        "/dev/ttyUSB3",
                                        "--baud",
                                        "9600",
                                        "--path",
                                        "circle",
                                        "--floor",
                                        "600",
                                        "--lane-spacing",
                                        "80",
                                        "--speed",
                                        "120",
                                        "--rate",
                                        "523",
                                        "--count",
                                        "3000",
                                        "--wobble",
                                        "1.5",
                                        "--error-every",
                                        "2.5",
                                        "--mode2-interval",
                                        "250",
                                        "--expect",
                                        "200",
                                        "--log",
                                        "frames.log",
                                        "--map",
                                        "tags.tsv",
                                        "--verbose",
                                        "--seed",
                                        "99",
                                        "--silent",
                                        "--drop-acks",
                                        "0.2",
                                        "--delay-acks",
                                        "120",
                                        "--wrong-ids",
                                        "0.1",
                                        "--split",
                                        "--garbage",
                                        "0.05",
                                        "--bad-check",
                                        "0.01",
                                        "--vanish-after",
                                        "500",
                                        "--reappear-after",
                                        "300"});
    QVERIFY2(parsed.options, qPrintable(parsed.message));
    const SimOptions &o = *parsed.options;
    QCOMPARE(o.device, QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(o.baud, 9600);
    QCOMPARE(o.path, PathShape::Circle);
    QCOMPARE(o.floor_cm, 600.0);
    QCOMPARE(o.lane_spacing_cm, 80.0);
    QCOMPARE(o.speed_cm_s, 120.0);
    QCOMPARE(o.rate_hz, 523.0);
    QCOMPARE(o.count, qint64(3000));
    QCOMPARE(o.wobble_deg, 1.5);
    QCOMPARE(o.error_every_s, 2.5);
    QCOMPARE(o.mode2_interval_ms, 250);
    QCOMPARE(o.expect, 200);
    QCOMPARE(o.log_file, QStringLiteral("frames.log"));
    QCOMPARE(o.map_file, QStringLiteral("tags.tsv"));
    QVERIFY(o.verbose);
    QCOMPARE(o.seed, quint32(99));
    QVERIFY(o.silent);
    QCOMPARE(o.drop_acks, 0.2);
    QCOMPARE(o.delay_acks_ms, 120);
    QCOMPARE(o.wrong_ids, 0.1);
    QVERIFY(o.split);
    QCOMPARE(o.garbage, 0.05);
    QCOMPARE(o.bad_check, 0.01);
    QCOMPARE(o.vanish_after, qint64(500));
    QCOMPARE(o.reappear_after_ms, 300);

    const QString help = help_text();
    for (const char *name :
         {"--device",        "--baud",           "--replay",  "--path",      "--floor",
          "--lane-spacing",  "--speed",          "--rate",    "--count",     "--wobble",
          "--error-every",   "--mode2-interval", "--expect",  "--log",       "--map",
          "--verbose",       "--seed",           "--silent",  "--drop-acks", "--delay-acks",
          "--wrong-ids",     "--split",          "--garbage", "--bad-check", "--vanish-after",
          "--reappear-after"})
        QVERIFY2(help.contains(QLatin1String(name) + QLatin1Char(' ')), name);
}

void SimOptionsTest::badValuesAreRefusedByName_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("rate not a number") << QStringList{"--rate", "fast"} << "--rate";
    QTest::newRow("unknown path") << QStringList{"--path", "square"} << "--path";
    QTest::newRow("acks always dropped") << QStringList{"--drop-acks", "1"} << "--drop-acks";
    QTest::newRow("ids always wrong") << QStringList{"--wrong-ids", "1"} << "--wrong-ids";
    QTest::newRow("half a report") << QStringList{"--count", "1.5"} << "--count";
    QTest::newRow("negative delay") << QStringList{"--delay-acks", "-5"} << "--delay-acks";
    QTest::newRow("floor too small") << QStringList{"--floor", "1"} << "--floor";
    QTest::newRow("expect beyond 16 bits") << QStringList{"--expect", "70000"} << "--expect";
    QTest::newRow("missing value") << QStringList{"--rate"} << "rate";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "frobnicate";
    QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"} << "/dev/ttyS0";
}

void SimOptionsTest::badValuesAreRefusedByName()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const ParsedOptions parsed = parse(arguments);
    QVERIFY(!parsed.options);
    QCOMPARE(parsed.exit_code, 2);
    QVERIFY2(parsed.message.contains(named), qPrintable(parsed.message));
    QVERIFY(parsed.message.contains(QLatin1String("--help")));
}

void SimOptionsTest::helpAndVersionArePrintedAndNothingRuns()
{
    for (const char *flag : {"--help", "-h"}) {
        const ParsedOptions parsed = parse({QString::fromLatin1(flag), "--rate", "9"});
        QVERIFY(!parsed.options);
        QCOMPARE(parsed.exit_code, 0);
        QCOMPARE(parsed.message, help_text());
    }
    QVERIFY(help_text().startsWith(QLatin1String("Usage: poscam-camsim")));

    const ParsedOptions version = parse({"--rate", "9", "--version"});
    QVERIFY(!version.options);
    QCOMPARE(version.exit_code, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^poscam-camsim \\d+\\.\\d+\\.\\d+\n$"))
                 .match(version.message)
                 .hasMatch(),
             qPrintable(version.message));
}

QTEST_APPLESS_MAIN(SimOptionsTest)
#include "tst_simoptions.moc"
