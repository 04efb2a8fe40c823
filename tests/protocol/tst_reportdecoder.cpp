#include "camerareports.h"
#include "protocol/reportdecoder.h"

#include <QRandomGenerator>
#include <QtTest>

using protocol::ReportKind;

Q_DECLARE_METATYPE(PositionBytes)

namespace
{

constexpr int kNoRule = -1;

std::optional<protocol::Report> decode_wire(const QByteArray &wire)
{
    return protocol::decode_report(collected_frame(wire));
}

QByteArray twelve_byte_list(int count_byte, int entries)
{
    QByteArray wire(12 * entries + 6, char(0x10));
    wire[0] = char(0xFF);
    wire[1] = char(0xFE);
    wire[2] = char(count_byte);
    wire[wire.size() - 2] = char(0xFE);
    wire[wire.size() - 1] = char(0xFF);
    return wire;
}

const char *const kLargestTag = "FF FE 4E 1F 00 FF FF 01 FF FF 03 E7 00 01 67 92 FE FF";

} // namespace

class ReportDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void rulesAreTriedInOrder_data();
    void rulesAreTriedInOrder();
    void positionReportIsSignedAndScaled_data();
    void positionReportIsSignedAndScaled();
    void countReportCarriesBothCounts_data();
    void countReportCarriesBothCounts();
    void recordAcknowledgementCarriesCodeId();
    void tagReportWithLargestValues();
    void codeListSkipsOnlyEntriesWithWrongCheckByte();
    void noFrameLengthReadsPastTheFrame();
};

void ReportDecoderTest::rulesAreTriedInOrder_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("kind");

    QTest::newRow("error report") << hex_bytes("FF FE FE 00 FE FF") << int(ReportKind::Error);
    QTest::newRow("length of an error report, other key")
        << hex_bytes("FF FE 05 00 FE FF") << kNoRule;
    QTest::newRow("length of an error report, key 00 is an empty code list")
        << hex_bytes("FF FE 00 00 FE FF") << int(ReportKind::CodeList);
    QTest::newRow("count report") << hex_bytes("FF FE FD 00 05 01 2C FE FF")
                                  << int(ReportKind::Count);
    QTest::newRow("count report one byte longer")
        << hex_bytes("FF FE FD 00 05 01 2C 00 FE FF") << kNoRule;
    QTest::newRow("length of a count report, other key")
        << hex_bytes("FF FE 01 00 05 01 2C FE FF") << kNoRule;
    QTest::newRow("record acknowledgement")
        << hex_bytes("FF FE 00 05 77 FE FF") << int(ReportKind::RecordAck);
    QTest::newRow("start acknowledgement")
        << hex_bytes("FF FE FA FE FF") << int(ReportKind::StartAck);
    QTest::newRow("end acknowledgement") << hex_bytes("FF FE FB FE FF") << int(ReportKind::EndAck);
    QTest::newRow("short frame with another key is consumed")
        << hex_bytes("FF FE F0 FE FF") << int(ReportKind::Dropped);
    QTest::newRow("code list of one")
        << code_list_bytes({CodeListBytes{}}) << int(ReportKind::CodeList);
    QTest::newRow("12-byte list of one") << twelve_byte_list(1, 1) << int(ReportKind::Dropped);
    QTest::newRow("12-byte list of 127") << twelve_byte_list(127, 127) << int(ReportKind::Dropped);
    QTest::newRow("count byte 0x80 is negative, not 128") << twelve_byte_list(0x80, 128) << kNoRule;
    QTest::newRow("tag report") << hex_bytes(kLargestTag) << int(ReportKind::Tag);
    QTest::newRow("tag report with id high byte 01 is a 12-byte list")
        << hex_bytes("FF FE 01 2C 01 00 78 00 00 2D 00 96 01 00 5A 2D FE FF")
        << int(ReportKind::Dropped);
    QTest::newRow("tag report with wrong check byte")
        << hex_bytes("FF FE 4E 1F 00 FF FF 01 FF FF 03 E7 00 01 67 93 FE FF")
        << int(ReportKind::Dropped);
    QTest::newRow("position report") << position_bytes_at(1, 2, 3) << int(ReportKind::Position);
    PositionBytes off_by_one;
    off_by_one.x_tenths = 1234;
    off_by_one.check_offset = 1;
    QTest::newRow("position report with wrong check byte")
        << position_bytes(off_by_one) << int(ReportKind::Dropped);
    QTest::newRow("one-byte frame") << hex_bytes("FF FE FF") << kNoRule;
    QTest::newRow("two-byte frame") << hex_bytes("FF FE FE FF") << kNoRule;
}

void ReportDecoderTest::rulesAreTriedInOrder()
{
    QFETCH(QByteArray, wire);
    QFETCH(int, kind);
    const std::optional<protocol::Report> report = decode_wire(wire);
    QCOMPARE(report ? int(report->kind) : kNoRule, kind);
}

void ReportDecoderTest::positionReportIsSignedAndScaled_data()
{
    QTest::addColumn<PositionBytes>("fields");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("rotation");
    QTest::addColumn<float>("attitude_x");
    QTest::addColumn<float>("attitude_y");

    PositionBytes mixed;
    mixed.x_sign = 1;
    mixed.x_tenths = 1234;
    mixed.y_tenths = 56;
    mixed.rotation_tenths = 1805;
    mixed.attitude_x_sign = 1;
    mixed.attitude_x_hundredths = 123;
    QTest::newRow("signs and scales") << mixed << -123.4f << 5.6f << 180.5f << -1.23f << 0.0f;

    PositionBytes largest;
    largest.x_tenths = 0xFFFFFF;
    largest.y_sign = 0x80;
    largest.y_tenths = 0xFFFFFF;
    largest.rotation_tenths = 0xFFFF;
    largest.attitude_x_hundredths = 0xFFFF;
    largest.attitude_y_sign = 0xFF;
    largest.attitude_y_hundredths = 0xFFFF;
    QTest::newRow("largest magnitudes, any non-zero sign is negative")
        << largest << 1677721.5f << -1677721.5f << 6553.5f << 655.35f << -655.35f;
}

void ReportDecoderTest::positionReportIsSignedAndScaled()
{
    QFETCH(PositionBytes, fields);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, rotation);
    QFETCH(float, attitude_x);
    QFETCH(float, attitude_y);
    const std::optional<protocol::Report> report = decode_wire(position_bytes(fields));
    QVERIFY(report);
    QCOMPARE(int(report->kind), int(ReportKind::Position));
    // Exact: the camera's values are divided in single precision.
    QCOMPARE(report->position.x, x);
    QCOMPARE(report->position.y, y);
    QCOMPARE(report->position.rotation_angle, rotation);
    QCOMPARE(report->position.attitude_x, attitude_x);
    QCOMPARE(report->position.attitude_y, attitude_y);
}

void ReportDecoderTest::countReportCarriesBothCounts_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("5 of 300") << hex_bytes("FF FE FD 00 05 01 2C FE FF") << 5 << 300;
    QTest::newRow("12 of 200") << hex_bytes("FF FE FD 00 0C 00 C8 FE FF") << 12 << 200;
    QTest::newRow("largest") << hex_bytes("FF FE FD FF FF FF FE FE FF") << 65535 << 65534;
}

void ReportDecoderTest::countReportCarriesBothCounts()
{
    QFETCH(QByteArray, wire);
    QFETCH(int, first);
    QFETCH(int, second);
    const std::optional<protocol::Report> report = decode_wire(wire);
    QVERIFY(report);
    QCOMPARE(int(report->kind), int(ReportKind::Count));
    QCOMPARE(report->first_count, first);
    QCOMPARE(report->second_count, second);
}

void ReportDecoderTest::recordAcknowledgementCarriesCodeId()
{
    const std::optional<protocol::Report> report = decode_wire(hex_bytes("FF FE 4E 1F 00 FE FF"));
    QVERIFY(report);
    QCOMPARE(int(report->kind), int(ReportKind::RecordAck));
    QCOMPARE(report->code_id, 19999);
}

void ReportDecoderTest::tagReportWithLargestValues()
{
    const std::optional<protocol::Report> report = decode_wire(hex_bytes(kLargestTag));
    QVERIFY(report);
    QCOMPARE(int(report->kind), int(ReportKind::Tag));
    QCOMPARE(report->tag.id, 19999);
    QCOMPARE(report->tag.x_cm, 65535);
    QCOMPARE(report->tag.y_cm, -65535);
    QCOMPARE(report->tag.side_mm, 999);
    QCOMPARE(report->tag.angle_deg, 359);
}

void ReportDecoderTest::codeListSkipsOnlyEntriesWithWrongCheckByte()
{
    CodeListBytes bad;
    bad.id = 9;
    bad.first_tenths = 40;
    bad.check_offset = 1;
    CodeListBytes good;
    good.id = 513;
    good.first_sign = 1;
    good.first_tenths = 125;
    good.second_tenths = 34;
    good.third_tenths = 65535;
    const std::optional<protocol::Report> report = decode_wire(code_list_bytes({bad, good}));
    QVERIFY(report);
    QCOMPARE(int(report->kind), int(ReportKind::CodeList));
    QCOMPARE(report->code_list.size(), 1);
    const protocol::CodeListEntry &entry = report->code_list.first();
    QCOMPARE(entry.id, 513);
    QCOMPARE(entry.first, -12.5f);
    QCOMPARE(entry.second, 3.4f);
    QCOMPARE(entry.third, 6553.5);
}

void ReportDecoderTest::noFrameLengthReadsPastTheFrame()
{
    // Every length up to past the longest report, with count bytes that make
    // the list rules match where they can; the reads are checked in debug
    // builds and by the address sanitizer.
    QRandomGenerator random(1528);
    for (int size = 0; size <= 1540; ++size) {
        for (int round = 0; round < 4; ++round) {
            QByteArray collected(size, Qt::Uninitialized);
            for (char &byte : collected)
                byte = char(random.bounded(256));
            if (size >= 2 && round < 2)
                collected[1] = char(round == 0 ? (size - 4) / 11 : (size - 4) / 12);
            const std::optional<protocol::Report> report = protocol::decode_report(collected);
            if (report && report->kind == ReportKind::CodeList)
                QVERIFY(report->code_list.size() <= 127);
        }
    }
}

QTEST_APPLESS_MAIN(ReportDecoderTest)
#include "tst_reportdecoder.moc"
