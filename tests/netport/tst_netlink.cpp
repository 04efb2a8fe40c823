// The one link over a real ser2net in front of a real poscam-camsim: a map
// sent by poscam-map to an rfc2217:// address, and the window's watch for a
// dropped connection.
#include "camsimprocess.h"
#include "modal.h"
#include "operatorsteps.h"
#include "ser2netprocess.h"

#include "app/pacedlog.h"
#include "ui_mainwindowform.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace operator_steps;

namespace
{

constexpr int kWaitMs = 60000;

} // namespace

class NetLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void mapIsSentOverRfc2217WithTheChosenBaud();
    void windowReconnectsWhenTheServerComesBack();

private:
    int run_map(const QStringList &arguments);
    void start_map(QProcess &process, const QStringList &arguments);

    QTemporaryDir data;
    QByteArray out;
    QByteArray err;
};

void NetLinkTest::start_map(QProcess &process, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(POSCAM_MAP), arguments);
}

int NetLinkTest::run_map(const QStringList &arguments)
{
    QProcess process;
    start_map(process, arguments);
    const bool ended =
        process.waitForStarted() &&
        QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs);
    out = process.readAllStandardOutput();
    err = process.readAllStandardError();
    if (!ended) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void NetLinkTest::mapIsSentOverRfc2217WithTheChosenBaud()
{
    QVERIFY(data.isValid());
    // Long enough (a record per 50 ms) to ask the line's settings while it runs:
    // ser2net puts the device back as it found it when the connection ends.
    QStringList rows;
    for (int k = 1; k <= 60; ++k)
        rows << QStringLiteral("%1\t%2\t-20\t60\t45").arg(k).arg(k * 10);
    const QString map = data.filePath(QStringLiteral("floor.txt"));
    QFile file(map);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((rows.join(QLatin1String("\t\n")) + QLatin1String("\t\n")).toUtf8());
    file.close();
    CamsimProcess camera;
    QVERIFY(camera.start({"--rate", "0"}));
    Ser2netProcess server;
    QVERIFY2(server.start(camera.port()), qPrintable(server.error()));
    const QString address = server.address(Ser2netProcess::Rfc2217);

    QProcess send;
    start_map(send, {"send", "--baud", "57600", "--port", address, map});
    QVERIFY(send.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(camera.frame_log().count(QLatin1String("host  ")) > 5, kWaitMs);
    camera.command(QStringLiteral("line"));
    QCOMPARE(camera.wait_for_line(QStringLiteral("line ")), QStringLiteral("line 57600 8N1 none"));
    QTRY_VERIFY_WITH_TIMEOUT(send.state() == QProcess::NotRunning, kWaitMs);
    QCOMPARE(send.exitCode(), 0);
    QVERIFY(send.readAllStandardOutput().contains("camera counts: 60 60"));
    QCOMPARE(camera.received_rows(), rows);

    // Nobody listens: a port that cannot be opened, with the reason.
    const QString nobody = QStringLiteral("rfc2217://127.0.0.1:%1").arg(free_local_port());
    QCOMPARE(run_map({"send", "--port", nobody, map}), 4);
    QVERIFY2(err.contains(nobody.toUtf8()) && err.contains("refused"), err.constData());
    QVERIFY(camera.stop());
}

void NetLinkTest::windowReconnectsWhenTheServerComesBack()
{
    CamsimProcess camera;
    QVERIFY(camera.start({"--rate", "10"}));
    Ser2netProcess server;
    QVERIFY2(server.start(camera.port()), qPrintable(server.error()));
    const QString address = server.address(Ser2netProcess::Raw);
    MainWindow window;
    connect_to(window, address);
    QVERIFY(window.serial_link.is_open());
    QTRY_VERIFY_WITH_TIMEOUT(!window.ui->current_loc_edit->text().isEmpty(), kWaitMs);

    SeenModal lost;
    accept_next_message_box(&lost);
    QVERIFY(server.stop());
    QTRY_VERIFY_WITH_TIMEOUT(lost.seen, kWaitMs);
    QCOMPARE(lost.text, "串口已断开" + address);
    QVERIFY(!window.serial_link.is_open());
    QVERIFY(window.ui->com_connectBtn->isEnabled());

    QVERIFY2(server.restart(), qPrintable(server.error()));
    QTRY_VERIFY_WITH_TIMEOUT(window.serial_link.is_open(), kWaitMs);
    QVERIFY(!window.ui->com_connectBtn->isEnabled());
    window.receive_log->flush();
    QVERIFY(window.ui->com_message_edit->toPlainText().contains("串口" + address + "已重新打开"));
    // Reports flow again through the same link.
    window.location_text.clear();
    QTRY_VERIFY_WITH_TIMEOUT(!window.location_text.isEmpty(), kWaitMs);
    QVERIFY(!QApplication::activeModalWidget());
    window.ui->com_disconnectBtn->click();
    QVERIFY(camera.stop());
}

QTEST_MAIN(NetLinkTest)
#include "tst_netlink.moc"
