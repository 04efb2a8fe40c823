#include "camerareports.h"
#include "protocol/framecutter.h"

#include <QtTest>

namespace
{

struct Cutter {
    bool ff_seen = false;
    bool in_frame = false;
    bool fe_seen = false;
    QByteArray frame;

    // Frames completed by `stream`, as the decoder would be handed them.
    QList<QByteArray> feed(const QByteArray &stream)
    {
        QList<QByteArray> frames;
        for (char byte : stream) {
            if (protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
                frames << frame;
        }
        return frames;
    }
};

QString as_text(const QList<QByteArray> &frames)
{
    QStringList parts;
    for (const QByteArray &frame : frames)
        parts << QString::fromLatin1(frame.toHex(' ').toUpper());
    return parts.join(QLatin1String(" | "));
}

// A 12-byte list report of `entries` entries: the longest frames the camera sends.
QByteArray twelve_byte_list(int entries, int extra_payload = 0)
{
    QByteArray wire(12 * entries + 6 + extra_payload, char(0x11));
    wire[0] = char(0xFF);
    wire[1] = char(0xFE);
    wire[2] = char(entries);
    wire[wire.size() - 2] = char(0xFE);
    wire[wire.size() - 1] = char(0xFF);
    return wire;
}

} // namespace

class FrameCutterTest : public QObject
{
    Q_OBJECT

private slots:
    void markersCutTheStream_data();
    void markersCutTheStream();
    void unconsumedFrameIsReplacedByTheNext();
    void longestCameraFrameIsKept();
    void frameLongerThanAnyReportIsDroppedUntilNextStart();
    void endlessFrameKeepsMemoryBounded();
};

void FrameCutterTest::markersCutTheStream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("frames");

    QTest::newRow("one frame") << hex_bytes("FF FE 01 02 FE FF") << "FE 01 02 FE";
    QTest::newRow("start marker inside a frame restarts it")
        << hex_bytes("FF FE 01 FF FE 02 FE FF") << "FE 02 FE";
    QTest::newRow("frames back to back share the FF")
        << hex_bytes("FF FE 01 FE FF FE 02 FE FF") << "FE 01 FE | FE 02 FE";
    QTest::newRow("FF FE FF is a one-byte frame") << hex_bytes("FF FE FF") << "FE";
    QTest::newRow("a run of FF before FE is one start marker")
        << hex_bytes("FF FF FF FE 05 FE FF") << "FE 05 FE";
    QTest::newRow("end marker outside a frame does nothing") << hex_bytes("FE FF 05") << "";
    QTest::newRow("end marker outside a frame may begin a start marker")
        << hex_bytes("FE FF FE 07 FE FF") << "FE 07 FE";
    QTest::newRow("FF not after FE is payload")
        << hex_bytes("FF FE 01 FF 02 FE FF") << "FE 01 FF 02 FE";
    QTest::newRow("FE FE FF ends after the second FE")
        << hex_bytes("FF FE 01 FE FE FF") << "FE 01 FE FE";
    QTest::newRow("noise before and after")
        << hex_bytes("00 11 FE 22 FF FE 33 FE FF 44 FE") << "FE 33 FE";
    QTest::newRow("unfinished frame is not handed on") << hex_bytes("FF FE 01 02 FE") << "";
    QTest::newRow("position report")
        << position_bytes_at(-123.4, 5.6, 180.5)
        << QString::fromLatin1(
               collected_frame(position_bytes_at(-123.4, 5.6, 180.5)).toHex(' ').toUpper());
}

void FrameCutterTest::markersCutTheStream()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, frames);
    Cutter cutter;
    QCOMPARE(as_text(cutter.feed(stream)), frames);
}

void FrameCutterTest::unconsumedFrameIsReplacedByTheNext()
{
    // A frame nobody recognises stays in the buffer; the next start marker
    // clears it, so the next frame is not glued to it.
    Cutter cutter;
    cutter.feed(hex_bytes("FF FE 01 FE FF"));
    QCOMPARE(cutter.frame, hex_bytes("FE 01 FE"));
    QCOMPARE(as_text(cutter.feed(hex_bytes("33 FF FE 02 FE FF"))), QString("FE 02 FE"));
}

void FrameCutterTest::longestCameraFrameIsKept()
{
    const QByteArray wire = twelve_byte_list(127);
    Cutter cutter;
    const QList<QByteArray> frames = cutter.feed(wire);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().size(), protocol::kMaxCollectedFrame);
    QCOMPARE(frames.first(), collected_frame(wire));
}

void FrameCutterTest::frameLongerThanAnyReportIsDroppedUntilNextStart()
{
    Cutter cutter;
    QVERIFY(cutter.feed(twelve_byte_list(127, 1)).isEmpty());
    QVERIFY(!cutter.in_frame);
    QVERIFY(cutter.frame.isEmpty());
    // The rest of an over-long frame, including its end marker, is noise.
    QVERIFY(cutter.feed(hex_bytes("22 33 FE FF")).isEmpty());
    QCOMPARE(as_text(cutter.feed(hex_bytes("FF FE 44 FE FF"))), QString("FE 44 FE"));
}

void FrameCutterTest::endlessFrameKeepsMemoryBounded()
{
    Cutter cutter;
    cutter.feed(hex_bytes("FF FE"));
    QByteArray noise(4096, char(0x55));
    for (int round = 0; round < 100; ++round) {
        QVERIFY(cutter.feed(noise).isEmpty());
        QVERIFY(cutter.frame.size() <= protocol::kMaxCollectedFrame);
        QVERIFY(cutter.frame.capacity() <= 2 * protocol::kMaxCollectedFrame);
    }
}

QTEST_APPLESS_MAIN(FrameCutterTest)
#include "tst_framecutter.moc"
