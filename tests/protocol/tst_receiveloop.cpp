#include "camerareports.h"
#include "protocol/receiveloop.h"

#include <QTest>

// The one loop every reader of the line runs: what it hands out, and what
// it counts as cut but not applied.
class ReceiveLoopTest : public QObject
{
    Q_OBJECT

private slots:
    void framesNotAppliedAreCountedAndNotHandedOut();
};

void ReceiveLoopTest::framesNotAppliedAreCountedAndNotHandedOut()
{
    protocol::ReceiveLoop loop;
    QVector<protocol::Report> reports;
    loop.on_report = [&](const protocol::Report &report) { reports << report; };

    PositionBytes spoiled;
    spoiled.x_tenths = 1234;
    spoiled.check_offset = 1;
    PositionBytes good = spoiled;
    good.check_offset = 0;
    // A spoiled check byte, a length no report has, a start acknowledgement,
    // a good position: the middle two split across reads.
    const QByteArray stream = position_bytes(spoiled) + hex_bytes("FF FE 01 02 03 04 05 06 FE FF") +
                              hex_bytes("FF FE FA FE FF") + position_bytes(good);
    loop.feed(stream.left(30));
    loop.feed(stream.mid(30));

    QCOMPARE(loop.frames_not_applied(), qint64(2));
    // The spoiled report is handed out as dropped, as the window drops it.
    QCOMPARE(reports.size(), 3);
    QVERIFY(reports.at(0).check_failed);
    QCOMPARE(reports.at(1).kind, protocol::ReportKind::StartAck);
    QCOMPARE(reports.at(2).kind, protocol::ReportKind::Position);
    QCOMPARE(reports.at(2).position.x, 123.4f);

    // A new source starts afresh; the count stays.
    loop.feed(hex_bytes("FF FE 01"));
    loop.reset();
    QVERIFY(!loop.in_frame);
    QVERIFY(loop.frame.isEmpty());
    QCOMPARE(loop.frames_not_applied(), qint64(2));
}

QTEST_GUILESS_MAIN(ReceiveLoopTest)
#include "tst_receiveloop.moc"
