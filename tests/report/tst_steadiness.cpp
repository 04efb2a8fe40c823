#include "camerareports.h"
#include "protocol/receiveloop.h"
#include "report/steadiness.h"

#include <QtTest>

namespace
{

// A recorded stream played into the figures as the window plays the line:
// every byte cut, every frame decoded, the spoiled ones counted.
struct Player {
    report::Steadiness steadiness;
    protocol::ReceiveLoop loop;
    qint64 now_us = 0;

    Player()
    {
        loop.on_report = [this](const protocol::Report &report) {
            if (report.kind == protocol::ReportKind::Position)
                steadiness.add_position(now_us, report.position.x, report.position.y,
                                        report.position.rotation_angle);
            else if (report.kind == protocol::ReportKind::Error)
                steadiness.add_error(now_us);
        };
    }

    void play(qint64 time_us, const QByteArray &bytes)
    {
        now_us = time_us;
        const qint64 spoiled = loop.frames_not_applied();
        loop.feed(bytes);
        if (loop.frames_not_applied() > spoiled)
            steadiness.add_not_applied(time_us, loop.frames_not_applied() - spoiled);
    }
};

} // namespace

class SteadinessTest : public QObject
{
    Q_OBJECT

private slots:
    // 20 s of reports at 50 per second. The last ten seconds: x alternating
    // 99 and 101 (spread 1 cm), y still, the rotation alternating 359 and 1
    // degrees (spread 1 degree, not 179), one gap of 0.5 s, three frames the
    // line spoiled, two errors. The first ten seconds lie far away and are
    // not part of the figures.
    void figuresOfTheLastTenSecondsOfARecordedStream()
    {
        Player player;
        PositionBytes spoiled;
        spoiled.x_tenths = 5000;
        spoiled.check_offset = 1;
        qint64 t = 0;
        int k = 0;
        for (; t < 10'000'000; t += 20'000, ++k) {
            player.play(t, position_bytes_at(5000 + k % 7, -3000, 180));
            if (k % 50 == 0)
                player.play(t, position_bytes(spoiled));
        }
        const qint64 gap_at = 15'000'000;
        int in_window = 0;
        for (; t <= 20'000'000; t += 20'000, ++k) {
            if (t > gap_at && t < gap_at + 500'000)
                continue;
            const bool odd = k % 2 != 0;
            player.play(t, position_bytes_at(odd ? 101 : 99, 40, odd ? 1 : 359));
            if (t > 10'000'000) // the window's start is not in it
                ++in_window;
        }
        player.play(12'000'000, position_bytes(spoiled));
        player.play(13'000'000, hex_bytes("FF FE 01 02 03 04 FE FF")); // no report is this long
        player.play(13'500'000, hex_bytes("FF FE FE 00 FE FF"));       // an error report
        player.play(14'000'000, hex_bytes("FF FE 01 00 00 00 00 00 00 00 00 00 00 00 00 00 FE FF"));
        player.play(16'000'000, hex_bytes("FF FE FE 00 FE FF"));
        player.play(17'000'000, position_bytes(spoiled));

        const report::SteadinessFigures f = player.steadiness.figures(20'000'000);
        QCOMPARE(f.reports, in_window);
        QCOMPARE(f.window_s, 10.0);
        QCOMPARE(f.rate_hz, in_window / 10.0);
        QVERIFY2(qAbs(f.sd_x_cm - 1) < 1e-3, qPrintable(QString::number(f.sd_x_cm)));
        QVERIFY2(f.sd_y_cm < 1e-6, qPrintable(QString::number(f.sd_y_cm)));
        QVERIFY2(qAbs(f.sd_rotation_deg - 1) < 1e-3,
                 qPrintable(QString::number(f.sd_rotation_deg)));
        QVERIFY2(qAbs(f.longest_gap_s - 0.5) < 1e-9, qPrintable(QString::number(f.longest_gap_s)));
        // The spoiled position reports and the frame no report is this long;
        // the 12-byte list of one entry has no effect by design.
        QCOMPARE(f.not_applied, qint64(3));
        QCOMPARE(f.not_applied_total, qint64(3 + 10));
        QCOMPARE(f.errors, qint64(2));
    }

    // Before ten seconds have passed the rate is over the time there has
    // been; after the reports stop it falls to nothing.
    void rateIsOverTheTimeCoveredAndFallsWhenReportsStop()
    {
        report::Steadiness steadiness;
        for (qint64 t = 1'000'000; t < 3'000'000; t += 10'000)
            steadiness.add_position(t, 0, 0, 0);
        QCOMPARE(steadiness.figures(3'000'000).rate_hz, 200 / 2.0);
        QCOMPARE(steadiness.figures(14'000'000).reports, 0);
        QCOMPARE(steadiness.figures(14'000'000).rate_hz, 0.0);
    }
};

QTEST_GUILESS_MAIN(SteadinessTest)
#include "tst_steadiness.moc"
