#include "livewindow.h"

#include <QSerialPort>
#include <QtTest>

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class LiveCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void buttonsSendTheirFrames_data();
    void buttonsSendTheirFrames();
    void clearAllAsksAndSendsOnlyOnYes();
    void commandsWithoutPortSendNothingAndShowNothing();
};

void LiveCommandsTest::buttonsSendTheirFrames_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("mode 2 then mode 1")
        << QStringList{"modle2", "modle1"} << hex("FF FE F1 FE FF FF FE F0 FE FF");
    QTest::newRow("mode 1 twice") << QStringList{"modle1", "modle1"}
                                  << hex("FF FE F0 FE FF FF FE F0 FE FF");
    QTest::newRow("compensation on")
        << QStringList{"need_angle_Btn"} << hex("FF FE 0A 0B 0C 0D 0E 0F 01 01 09 FE FF");
    QTest::newRow("compensation off")
        << QStringList{"NOneed_angle_Btn"} << hex("FF FE 0A 0B 0C 0D 0E 0F 01 00 08 FE FF");
}

void LiveCommandsTest::buttonsSendTheirFrames()
{
    QFETCH(QStringList, buttons);
    QFETCH(QByteArray, wire);
    LiveWindow live;
    QVERIFY(live.connect_port());
    for (const QString &name : buttons) {
        auto *button = live.window.findChild<QAbstractButton *>(name);
        QVERIFY2(button, qPrintable(name));
        button->click();
    }
    QCOMPARE(live.camera.read_at_least(wire.size()).toHex(' '), wire.toHex(' '));
}

void LiveCommandsTest::clearAllAsksAndSendsOnlyOnYes()
{
    LiveWindow live;
    QVERIFY(live.connect_port());
    SeenModal seen;
    answer_next_message_box(QMessageBox::No, &seen);
    live.form().all_clear->click();
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QString("注意"));
    QCOMPARE(seen.text, QString("确定清除相机内所有二维码位置信息"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    // Mode 1 behind it shows that No sent nothing before.
    live.form().modle1->click();
    QCOMPARE(live.camera.read_at_least(5).toHex(' '), hex("FF FE F0 FE FF").toHex(' '));

    answer_next_message_box(QMessageBox::Yes);
    live.form().all_clear->click();
    QCOMPARE(live.camera.read_at_least(5).toHex(' '), hex("FF FE FC FE FF").toHex(' '));
}

void LiveCommandsTest::commandsWithoutPortSendNothingAndShowNothing()
{
    LiveWindow live;
    live.form().modle1->click();
    live.form().modle2->click();
    live.form().need_angle_Btn->click();
    live.form().NOneed_angle_Btn->click();
    QVERIFY(!QApplication::activeModalWidget());
    SeenModal seen;
    answer_next_message_box(QMessageBox::Yes, &seen);
    live.form().all_clear->click();
    QVERIFY(seen.seen);
    QCOMPARE(live.window.serial->bytesToWrite(), 0);
    // The port opened afterwards has nothing left over to send.
    QVERIFY(live.connect_port());
    live.form().modle2->click();
    QCOMPARE(live.camera.read_at_least(5).toHex(' '), hex("FF FE F1 FE FF").toHex(' '));
}

QTEST_MAIN(LiveCommandsTest)
#include "tst_livecommands.moc"
