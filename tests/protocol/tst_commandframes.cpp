#include "camerareports.h"
#include "protocol/commandframes.h"

#include <QtTest>

Q_DECLARE_METATYPE(TagRecord)

class CommandFramesTest : public QObject
{
    Q_OBJECT

private slots:
    void shortCommands_data();
    void shortCommands();
    void angleCompensationCarriesItsCheckByte_data();
    void angleCompensationCarriesItsCheckByte();
    void tagFrameEncodesRecord_data();
    void tagFrameEncodesRecord();
    void refillingLeavesNothingOfThePreviousRecord();
};

void CommandFramesTest::shortCommands_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("mode 1") << int(protocol::kModeOneKey) << hex_bytes("FF FE F0 FE FF");
    QTest::newRow("mode 2") << int(protocol::kModeTwoKey) << hex_bytes("FF FE F1 FE FF");
    QTest::newRow("clear all") << int(protocol::kClearAllKey) << hex_bytes("FF FE FC FE FF");
    QTest::newRow("transfer start")
        << int(protocol::kTransferStartKey) << hex_bytes("FF FE FA FE FF");
    QTest::newRow("transfer end") << int(protocol::kTransferEndKey) << hex_bytes("FF FE FB FE FF");
}

void CommandFramesTest::shortCommands()
{
    QFETCH(int, key);
    QFETCH(QByteArray, wire);
    QCOMPARE(protocol::short_frame(quint8(key)).toHex(' '), wire.toHex(' '));
}

void CommandFramesTest::angleCompensationCarriesItsCheckByte_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("on") << true << hex_bytes("FF FE 0A 0B 0C 0D 0E 0F 01 01 09 FE FF");
    QTest::newRow("off, mean truncated")
        << false << hex_bytes("FF FE 0A 0B 0C 0D 0E 0F 01 00 08 FE FF");
}

void CommandFramesTest::angleCompensationCarriesItsCheckByte()
{
    QFETCH(bool, on);
    QFETCH(QByteArray, wire);
    QCOMPARE(protocol::angle_frame(on).toHex(' '), wire.toHex(' '));
}

void CommandFramesTest::tagFrameEncodesRecord_data()
{
    QTest::addColumn<TagRecord>("record");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("signs, sign bytes outside the mean")
        << TagRecord{300, -120, 45, 150, -90}
        << hex_bytes("FF FE 01 2C 01 00 78 00 00 2D 00 96 01 00 5A 2D FE FF");
    QTest::newRow("mean truncates to zero")
        << TagRecord{1, 0, 0, 0, 0}
        << hex_bytes("FF FE 00 01 00 00 00 00 00 00 00 00 00 00 00 00 FE FF");
    QTest::newRow("largest values")
        << TagRecord{19999, 65535, -65535, 999, 359}
        << hex_bytes("FF FE 4E 1F 00 FF FF 01 FF FF 03 E7 00 01 67 92 FE FF");
    QTest::newRow("end marker inside the payload is sent as it is")
        << TagRecord{2, 0xFEFF, 0, 0, 0}
        << hex_bytes("FF FE 00 02 00 FE FF 00 00 00 00 00 00 00 00 33 FE FF");
}

void CommandFramesTest::tagFrameEncodesRecord()
{
    QFETCH(TagRecord, record);
    QFETCH(QByteArray, wire);
    QByteArray frame = protocol::record_frame_template();
    protocol::fill_record_frame(frame, record);
    QCOMPARE(frame.toHex(' '), wire.toHex(' '));
}

void CommandFramesTest::refillingLeavesNothingOfThePreviousRecord()
{
    QByteArray frame = protocol::record_frame_template();
    protocol::fill_record_frame(frame, TagRecord{19999, 65535, -65535, 999, 359});
    protocol::fill_record_frame(frame, TagRecord{1, 0, 0, 0, 0});
    QCOMPARE(frame.toHex(' '),
             hex_bytes("FF FE 00 01 00 00 00 00 00 00 00 00 00 00 00 00 FE FF").toHex(' '));
}

QTEST_APPLESS_MAIN(CommandFramesTest)
#include "tst_commandframes.moc"
