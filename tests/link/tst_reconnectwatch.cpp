#include "link/reconnectwatch.h"

#include <QtTest>

using ports::PortIdentity;
using ports::ReconnectWatch;

Q_DECLARE_METATYPE(PortIdentity)

namespace
{

PortIdentity adapter(const QString &name, const QString &serial, quint16 vendor = 0x0403,
                     quint16 product = 0x6001)
{
    PortIdentity identity = ports::identity_by_name(name);
    identity.serial_number = serial;
    identity.vendor = vendor;
    identity.product = product;
    identity.has_ids = true;
    return identity;
}

} // namespace

class ReconnectWatchTest : public QObject
{
    Q_OBJECT

private slots:
    void deviceIsKnownAgainByWhatItHas_data();
    void deviceIsKnownAgainByWhatItHas();
    void presentDeviceIsTriedOnceASecondUntilTheDeadline();
    void deviceGoingAgainSoonAfterItWasReopenedIsNoNews();
};

void ReconnectWatchTest::deviceIsKnownAgainByWhatItHas_data()
{
    QTest::addColumn<PortIdentity>("lost");
    QTest::addColumn<PortIdentity>("seen");
    QTest::addColumn<bool>("same");
    const PortIdentity usb = adapter("ttyUSB0", "A10K3ZQ");
    QTest::newRow("serial number, other name") << usb << adapter("ttyUSB1", "A10K3ZQ") << true;
    QTest::newRow("other serial number, same name") << usb << adapter("ttyUSB0", "B77") << false;
    QTest::newRow("same serial, other product")
        << usb << adapter("ttyUSB0", "A10K3ZQ", 0x0403, 0x6015) << false;
    QTest::newRow("same name, no ids any more")
        << usb << ports::identity_by_name("ttyUSB0") << false;
    const PortIdentity bare = adapter("ttyUSB0", QString());
    QTest::newRow("no serial, same ids and name") << bare << adapter("ttyUSB0", QString()) << true;
    QTest::newRow("no serial, same ids, other name")
        << bare << adapter("ttyUSB1", QString()) << false;
    QTest::newRow("no serial, other vendor")
        << bare << adapter("ttyUSB0", QString(), 0x1a86, 0x6001) << false;
    const PortIdentity plain = ports::identity_by_name("ttyS0");
    QTest::newRow("plain port by name") << plain << adapter("ttyS0", "X") << true;
    QTest::newRow("plain port, other name") << plain << ports::identity_by_name("ttyS1") << false;
}

void ReconnectWatchTest::deviceIsKnownAgainByWhatItHas()
{
    QFETCH(PortIdentity, lost);
    QFETCH(PortIdentity, seen);
    QFETCH(bool, same);
    QCOMPARE(ports::same_device(lost, seen), same);
}

void ReconnectWatchTest::presentDeviceIsTriedOnceASecondUntilTheDeadline()
{
    const PortIdentity usb = adapter("ttyUSB0", "A10K3ZQ");
    const QVector<PortIdentity> back = {ports::identity_by_name("ttyS0"),
                                        adapter("ttyUSB3", "A10K3ZQ")};
    ReconnectWatch watch;
    QVERIFY(!watch.attempt_due(back, 0));
    QVERIFY(watch.port_lost(usb, 1000));
    QVERIFY(!watch.attempt_due({}, 1000));
    QCOMPARE(watch.attempt_due(back, 1500), std::optional<QString>("ttyUSB3"));
    // A device that flaps is listed on every look; it is tried once a second.
    for (qint64 now = 1500; now < 2500; now += 10)
        QVERIFY(!watch.attempt_due(back, now));
    QVERIFY(watch.attempt_due(back, 2500));
    const qint64 deadline = 1000 + ReconnectWatch::kWatchMs;
    QVERIFY(watch.attempt_due(back, deadline - 1));
    QVERIFY(!watch.attempt_due(back, deadline + 2000));
    QVERIFY(!watch.is_watching(deadline));

    // The operator's connect or disconnect ends it.
    QVERIFY(watch.port_lost(usb, deadline));
    watch.end();
    QVERIFY(!watch.attempt_due(back, deadline + 1000));
}

void ReconnectWatchTest::deviceGoingAgainSoonAfterItWasReopenedIsNoNews()
{
    const PortIdentity usb = adapter("ttyUSB0", "A10K3ZQ");
    const QVector<PortIdentity> back = {usb};
    ReconnectWatch watch;
    QVERIFY(watch.port_lost(usb, 0));
    QVERIFY(watch.attempt_due(back, 100));
    watch.reopened(100);
    QVERIFY(!watch.is_watching(200));
    QVERIFY(!watch.port_lost(usb, 300));
    // Still paced by the attempt before the flap.
    QVERIFY(!watch.attempt_due(back, 900));
    QVERIFY(watch.attempt_due(back, 1100));
    watch.reopened(1100);
    // Working for longer than the settling time: a loss of its own.
    QVERIFY(watch.port_lost(usb, 1100 + ReconnectWatch::kSettleMs));
    QVERIFY(watch.attempt_due(back, 1100 + ReconnectWatch::kSettleMs));
}

QTEST_GUILESS_MAIN(ReconnectWatchTest)
#include "tst_reconnectwatch.moc"
