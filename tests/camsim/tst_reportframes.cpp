#include "camera/reportframes.h"
#include "protocol/commandframes.h"
#include "protocol/reportdecoder.h"

#include <QTest>

using namespace camera;
using namespace protocol;

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// What the host's decoder makes of a frame the camera wrote.
std::optional<Report> host_reads(const QByteArray &wire)
{
    return decode_report(wire.mid(1, wire.size() - 2));
}

} // namespace

Q_DECLARE_METATYPE(camera::PositionFields)

class ReportFramesTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsHaveTheCamerasBytes_data();
    void reportsHaveTheCamerasBytes();
    void codeListCheckBytesCoverTheirOwnRecordOnly();
    void codeListStopsAtOneHundredTwentySevenEntries();
    void tagReportIsTheHostsTagFrame();
    void positionReportsReadBackAsSent_data();
    void positionReportsReadBackAsSent();
    void otherReportsReadBackAsSent();
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

    CodeListRecord first;
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
    CodeListRecord a;
    a.id = 0x0102;
    a.first_tenths = 0x0304;
    CodeListRecord b;
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
    const QVector<CodeListRecord> many(200);
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

void ReportFramesTest::positionReportsReadBackAsSent_data()
{
    QTest::addColumn<PositionFields>("pose");
    auto pose = [](qint32 x, qint32 y, quint16 r, qint32 ax, qint32 ay) {
        PositionFields f;
        f.x_tenths = x;
        f.y_tenths = y;
        f.rotation_tenths = r;
        f.attitude_x_hundredths = ax;
        f.attitude_y_hundredths = ay;
        return f;
    };
    QTest::newRow("origin") << pose(0, 0, 0, 0, 0);
    QTest::newRow("lane start") << pose(-4500, -4500, 2700, 23, -41);
    QTest::newRow("signs crossed") << pose(1, -1, 3599, -1, 1);
    QTest::newRow("24-bit extremes") << pose(0xFFFFFF, -0xFFFFFF, 65535, 0xFFFF, -0xFFFF);
}

void ReportFramesTest::positionReportsReadBackAsSent()
{
    QFETCH(PositionFields, pose);
    const std::optional<Report> report = host_reads(position_report(pose));
    QVERIFY(report);
    QCOMPARE(report->kind, ReportKind::Position);
    QCOMPARE(report->position.x, float(pose.x_tenths) / 10.0f);
    QCOMPARE(report->position.y, float(pose.y_tenths) / 10.0f);
    QCOMPARE(report->position.rotation_angle, float(pose.rotation_tenths) / 10.0f);
    QCOMPARE(report->position.attitude_x, float(pose.attitude_x_hundredths) / 100.0f);
    QCOMPARE(report->position.attitude_y, float(pose.attitude_y_hundredths) / 100.0f);

    QByteArray spoiled = position_report(pose);
    spoiled[kPositionCheckByte] = char(spoiled.at(kPositionCheckByte) + 1);
    QCOMPARE(host_reads(spoiled)->kind, ReportKind::Dropped);
}

void ReportFramesTest::otherReportsReadBackAsSent()
{
    QCOMPARE(host_reads(error_report(0x42))->kind, ReportKind::Error);

    const std::optional<Report> counts = host_reads(count_report(27, 65535));
    QCOMPARE(counts->kind, ReportKind::Count);
    QCOMPARE(counts->first_count, 27);
    QCOMPARE(counts->second_count, 65535);

    const std::optional<Report> ack = host_reads(record_ack(19999, 0xFF));
    QCOMPARE(ack->kind, ReportKind::RecordAck);
    QCOMPARE(ack->code_id, 19999);
    QCOMPARE(host_reads(start_ack())->kind, ReportKind::StartAck);
    QCOMPARE(host_reads(end_ack())->kind, ReportKind::EndAck);

    const std::optional<Report> tag = host_reads(tag_report({4096, -1, 65535, 999, -359}));
    QCOMPARE(tag->kind, ReportKind::Tag);
    QCOMPARE(tag->tag.id, 4096);
    QCOMPARE(tag->tag.x_cm, -1);
    QCOMPARE(tag->tag.y_cm, 65535);
    QCOMPARE(tag->tag.side_mm, 999);
    QCOMPARE(tag->tag.angle_deg, -359);
    // Ids 256 to 511 make the tag report as long as a one-entry 12-byte list,
    // which the host tries first: the camera's reports look like that.
    QCOMPARE(host_reads(tag_report({300, 1, 1, 1, 1}))->kind, ReportKind::Dropped);

    CodeListRecord near;
    near.id = 12;
    near.first_tenths = -15;
    near.second_tenths = 750;
    near.third_tenths = 900;
    CodeListRecord far = near;
    far.id = 13;
    far.first_tenths = 985;
    const std::optional<Report> list = host_reads(code_list_report({near, far}));
    QCOMPARE(list->kind, ReportKind::CodeList);
    QCOMPARE(list->code_list.size(), 2);
    QCOMPARE(list->code_list.at(0).id, 12);
    QCOMPARE(list->code_list.at(0).first, -1.5f);
    QCOMPARE(list->code_list.at(0).second, 75.0f);
    QCOMPARE(list->code_list.at(0).third, 90.0);
    QCOMPARE(list->code_list.at(1).id, 13);
    QCOMPARE(list->code_list.at(1).first, 98.5f);
}

QTEST_APPLESS_MAIN(ReportFramesTest)
#include "tst_reportframes.moc"
