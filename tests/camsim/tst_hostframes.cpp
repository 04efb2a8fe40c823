#include "camera/hostframes.h"
#include "protocol/commandframes.h"
#include "protocol/framecutter.h"

#include <QTest>

using namespace camera;
using namespace protocol;

Q_DECLARE_METATYPE(camera::HostFrameKind)
Q_DECLARE_METATYPE(TagRecord)

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray collected(const QByteArray &wire)
{
    return wire.mid(1, wire.size() - 2);
}

QByteArray tag_frame(const TagRecord &record)
{
    QByteArray frame = record_frame_template();
    fill_record_frame(frame, record);
    return frame;
}

// What the camera's receiver hands on for a stream of host bytes.
QList<QByteArray> frames_cut_from(const QByteArray &stream)
{
    bool ff = false, in = false, fe = false;
    QByteArray frame;
    QList<QByteArray> frames;
    for (char byte : stream)
        if (protocol::cut_byte(quint8(byte), ff, in, fe, frame))
            frames << frame;
    return frames;
}

} // namespace

class HostFramesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyHostFrameIsToldApart_data();
    void everyHostFrameIsToldApart();
    void tagFrameGivesBackTheRecordsFields_data();
    void tagFrameGivesBackTheRecordsFields();
    void spoiledCheckByteIsReportedNotHidden();
    void tagFrameWithAnEndMarkerInsideArrivesCutShort();
};

void HostFramesTest::everyHostFrameIsToldApart_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<HostFrameKind>("kind");
    QTest::addColumn<bool>("compensation_on");

    QTest::newRow("mode 1") << short_frame(kModeOneKey) << HostFrameKind::ModeOne << false;
    QTest::newRow("mode 2") << short_frame(kModeTwoKey) << HostFrameKind::ModeTwo << false;
    QTest::newRow("clear all") << short_frame(kClearAllKey) << HostFrameKind::ClearAll << false;
    QTest::newRow("start") << short_frame(kTransferStartKey) << HostFrameKind::TransferStart
                           << false;
    QTest::newRow("end") << short_frame(kTransferEndKey) << HostFrameKind::TransferEnd << false;
    QTest::newRow("compensation on")
        << angle_frame(true) << HostFrameKind::AngleCompensation << true;
    QTest::newRow("compensation off")
        << angle_frame(false) << HostFrameKind::AngleCompensation << false;
    QTest::newRow("tag") << tag_frame({5, 1, 2, 3, 4}) << HostFrameKind::Tag << false;
    QTest::newRow("other key") << hex("FF FE F2 FE FF") << HostFrameKind::Unknown << false;
    QTest::newRow("count report's shape")
        << hex("FF FE FD 00 01 00 02 FE FF") << HostFrameKind::Unknown << false;
    QTest::newRow("angle length, other bytes")
        << hex("FF FE 0A 0B 0C 0D 0E 0F 02 01 09 FE FF") << HostFrameKind::Unknown << false;
    QTest::newRow("one byte") << hex("FF FE FF") << HostFrameKind::Unknown << false;
    QTest::newRow("position report's shape")
        << QByteArray(22, '\0') << HostFrameKind::Unknown << false;
}

void HostFramesTest::everyHostFrameIsToldApart()
{
    QFETCH(QByteArray, wire);
    QFETCH(HostFrameKind, kind);
    QFETCH(bool, compensation_on);
    const HostFrame frame = classify_host_frame(collected(wire));
    QCOMPARE(frame.kind, kind);
    QVERIFY(frame.check_byte_ok);
    QCOMPARE(frame.compensation_on, compensation_on);
}

void HostFramesTest::tagFrameGivesBackTheRecordsFields_data()
{
    QTest::addColumn<TagRecord>("record");
    QTest::newRow("example") << TagRecord{300, -120, 45, 150, -90};
    QTest::newRow("largest") << TagRecord{19999, 65535, -65535, 999, 359};
    QTest::newRow("smallest") << TagRecord{1, 0, 0, 0, 0};
    QTest::newRow("negative angle") << TagRecord{256, -1, -65535, 0, -359};
}

void HostFramesTest::tagFrameGivesBackTheRecordsFields()
{
    QFETCH(TagRecord, record);
    const HostFrame frame = classify_host_frame(collected(tag_frame(record)));
    QCOMPARE(frame.kind, HostFrameKind::Tag);
    QVERIFY(frame.check_byte_ok);
    QCOMPARE(frame.record.id, record.id);
    QCOMPARE(frame.record.x_cm, record.x_cm);
    QCOMPARE(frame.record.y_cm, record.y_cm);
    QCOMPARE(frame.record.side_mm, record.side_mm);
    QCOMPARE(frame.record.angle_deg, record.angle_deg);
}

void HostFramesTest::spoiledCheckByteIsReportedNotHidden()
{
    QByteArray tag = tag_frame({300, -120, 45, 150, -90});
    tag[15] = char(tag.at(15) + 1);
    HostFrame frame = classify_host_frame(collected(tag));
    QCOMPARE(frame.kind, HostFrameKind::Tag);
    QVERIFY(!frame.check_byte_ok);
    QCOMPARE(frame.record.id, 300);
    QVERIFY(describe_host_frame(frame, 16).endsWith(QLatin1String("check byte wrong")));

    QByteArray angle = angle_frame(true);
    angle[10] = char(0x08);
    frame = classify_host_frame(collected(angle));
    QCOMPARE(frame.kind, HostFrameKind::AngleCompensation);
    QVERIFY(!frame.check_byte_ok);

    // The sign bytes are outside the set: a sign alone changes no check byte.
    QByteArray sign = tag_frame({300, 120, 45, 150, -90});
    sign[4] = char(1);
    frame = classify_host_frame(collected(sign));
    QVERIFY(frame.check_byte_ok);
    QCOMPARE(frame.record.x_cm, -120);
}

void HostFramesTest::tagFrameWithAnEndMarkerInsideArrivesCutShort()
{
    // |x| = 0xFEFF puts FE FF into the payload. Nothing is escaped, so the
    // camera's receiver ends the frame there: the record never arrives whole
    // and is never acknowledged, however often the host repeats it.
    const QByteArray wire = tag_frame({7, 0xFEFF, 1, 2, 3});
    const QList<QByteArray> frames = frames_cut_from(wire + wire);
    QVERIFY(!frames.isEmpty());
    for (const QByteArray &frame : frames)
        QCOMPARE(classify_host_frame(frame).kind, HostFrameKind::Unknown);

    const QByteArray fine = tag_frame({7, 0xFEFE, 1, 2, 3});
    const QList<QByteArray> whole = frames_cut_from(fine);
    QCOMPARE(whole.size(), 1);
    QCOMPARE(classify_host_frame(whole.first()).record.x_cm, 0xFEFE);
}

QTEST_APPLESS_MAIN(HostFramesTest)
#include "tst_hostframes.moc"
