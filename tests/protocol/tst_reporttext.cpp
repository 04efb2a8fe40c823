#include "camerareports.h"
#include "protocol/reporttext.h"

#include <QtTest>

class ReportTextTest : public QObject
{
    Q_OBJECT

private slots:
    void receiveLogShowsEveryByteInHex_data();
    void receiveLogShowsEveryByteInHex();
    void decodedValuesHaveSixSignificantDigits_data();
    void decodedValuesHaveSixSignificantDigits();
    void poseTexts();
    void modeTwoLinesSeparateFieldsByThreeSpaces();
};

void ReportTextTest::receiveLogShowsEveryByteInHex_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << QByteArray() << "";
    QTest::newRow("markers and a line feed") << hex_bytes("FF FE 0A") << "FF FE 0A ";
    QTest::newRow("zero padded upper case") << hex_bytes("00 01 AB 7F") << "00 01 AB 7F ";
}

void ReportTextTest::receiveLogShowsEveryByteInHex()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(protocol::hex_echo(bytes), text);
}

void ReportTextTest::decodedValuesHaveSixSignificantDigits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("float tenths") << double(-123.4f) << "-123.4";
    QTest::newRow("float hundredths") << double(-1.23f) << "-1.23";
    QTest::newRow("a million and more in exponent notation") << double(1677721.5f) << "1.67772e+06";
    QTest::newRow("largest rotation") << double(6553.5f) << "6553.5";
}

void ReportTextTest::decodedValuesHaveSixSignificantDigits()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(protocol::decoded_text(value), text);
}

void ReportTextTest::poseTexts()
{
    QCOMPARE(protocol::location_text(-123.4f, 5.6f), QString("-123.4,5.6"));
    QCOMPARE(protocol::location_text(0, 0), QString("0,0"));
    QCOMPARE(protocol::degrees_text(180.5f), QString("180.5°"));
    QCOMPARE(protocol::degrees_text(0), QString("0°"));
}

void ReportTextTest::modeTwoLinesSeparateFieldsByThreeSpaces()
{
    QCOMPARE(protocol::tag_line({19999, 65535, -65535, 999, 359}),
             QString("19999   65535   -65535   999   359"));
    QCOMPARE(protocol::code_list_line({513, -12.5f, 3.4f, 6553.5}),
             QString("513   -12.5   3.4   6553.5"));
}

QTEST_APPLESS_MAIN(ReportTextTest)
#include "tst_reporttext.moc"
