#include "protocol/commandframes.h"
#include "protocol/reportframes.h"

#include <QTest>

using namespace protocol;

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class ReportFramesTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsHaveTheCamerasBytes_data();
    void reportsHaveTheCamerasBytes();
    void codeListCheckBytesCoverTheirOwnRecordOnly();
    void codeListStopsAtOneHundredTwentySevenEntries();
    void tagReportIsTheHostsTagFrame();
};

void ReportFramesTest::reportsHaveTheCamerasBytes_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("error") << error_report() << hex("FF FE FE 00 FE FF");
    QTest::newRow("count 12 of 200") << count_report(12, 200) << hex("FF FE FD 00 0C 00 C8 FE FF");
    QTest::newRow("count at 16 bits")
        << count_report(65535, 256) << hex("FF FE FD FF FF 01 00 FE FF");
    QTest::newRow("record ack 300") << record_ack(300) << hex("FF FE 01 2C 00 FE FF");
    QTest::newRow("start ack") << start_ack() << hex("FF FE FA FE FF");
    QTest::newRow("end ack") << end_ack() << hex("FF FE FB FE FF");
    QTest::newRow("empty code list") << code_list_report({}) << hex("FF FE 00 00 FE FF");

    // -123.4, 5.6, 180.5 degrees, attitude -1.23 and 0: the twelve bytes of
    // the check set add up to 413, and 413 / 12 = 34.
    PositionFields pose;
    pose.x_tenths = -1234;
    pose.y_tenths = 56;
    pose.rotation_tenths = 1805;
    pose.attitude_x_hundredths = -123;
    pose.attitude_y_hundredths = 0;
    QTest::newRow("position")
        << position_report(pose)
        << hex("FF FE 01 00 04 D2 00 00 00 38 07 0D 01 00 7B 00 00 00 00 22 FE FF");

    // 24-bit magnitudes: the high byte of x and y is used.
    PositionFields far;
    far.x_tenths = 0x123456;
    far.y_tenths = -0x010203;
    far.attitude_y_hundredths = 9000;
    QTest::newRow("position far out")
        << position_report(far)
        << hex("FF FE 00 12 34 56 01 01 02 03 00 00 00 00 00 00 23 28 00 13 FE FF");

    CodeListEntry first;
    first.id = 7;
    first.first_tenths = -15;
    first.second_tenths = 300;
    first.third_tenths = 900;
    // id 00 07, values 00 0F, 01 2C, 03 84: (7 + 15 + 1 + 44 + 3 + 132) / 8 = 25.
    QTest::newRow("code list of one")
        << code_list_report({first}) << hex("FF FE 01 00 07 01 00 0F 00 01 2C 03 84 19 00 FE FF");
}

void ReportFramesTest::reportsHaveTheCamerasBytes()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void ReportFramesTest::codeListCheckBytesCoverTheirOwnRecordOnly()
{
    CodeListEntry a;
    a.id = 0x0102;
    a.first_tenths = 0x0304;
    CodeListEntry b;
    b.id = 0xFFFF;
    b.second_tenths = -0xFFFF;
    b.third_tenths = 0xFFFF;
    const QByteArray frame = code_list_report({a, b}, 0x55);
    QCOMPARE(frame.size(), 11 * 2 + 6);
    QCOMPARE(quint8(frame.at(2)), quint8(2));
    // Record 0 from byte 3: 01 02 00 03 04 00 00 00 00 00, check (1+2+3+4)/8 = 1.
    QCOMPARE(quint8(frame.at(3 + 10)), quint8(1));
    // Record 1 from byte 14: FF FF, sign 0, 00 00, sign 1, FF FF, FF FF:
    // six bytes of 255 in a set of eight give 191.
    QCOMPARE(quint8(frame.at(14 + 5)), quint8(1));
    QCOMPARE(quint8(frame.at(14 + 10)), quint8(6 * 255 / 8));
    QCOMPARE(quint8(frame.at(25)), quint8(0x55));
    QCOMPARE(frame.right(2), hex("FE FF"));
}

void ReportFramesTest::codeListStopsAtOneHundredTwentySevenEntries()
{
    const QVector<CodeListEntry> many(200);
    const QByteArray frame = code_list_report(many);
    QCOMPARE(quint8(frame.at(2)), quint8(127));
    QCOMPARE(frame.size(), 11 * 127 + 6);
}

void ReportFramesTest::tagReportIsTheHostsTagFrame()
{
    const TagRecord records[] = {{300, -120, 45, 150, -90}, {19999, 65535, -65535, 999, 359}};
    for (const TagRecord &record : records) {
        QByteArray host = record_frame_template();
        fill_record_frame(host, record);
        QCOMPARE(tag_report(record), host);
    }
    QCOMPARE(tag_report({300, -120, 45, 150, -90}),
             hex("FF FE 01 2C 01 00 78 00 00 2D 00 96 01 00 5A 2D FE FF"));
}

QTEST_APPLESS_MAIN(ReportFramesTest)
#include "tst_reportframes.moc"
