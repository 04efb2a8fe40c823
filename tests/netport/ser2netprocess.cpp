#include "ser2netprocess.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

namespace
{

// Whether a socket listens on local TCP `port`, as the kernel lists them:
// read, not probed by binding, which would take the port from the server
// starting.
bool is_listening(quint16 port)
{
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray wanted =
            QByteArray(":") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            // local address, remote address, state; 0A is LISTEN.
            if (fields.size() > 3 && fields[1].endsWith(wanted) && fields[3] == "0A")
                return true;
        }
    }
    return false;
}

} // namespace

quint16 free_local_port()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

Ser2netProcess::Ser2netProcess()
{
    process.setProgram(QStringLiteral(POSCAM_SER2NET));
    process.setProcessChannelMode(QProcess::MergedChannels);
}

Ser2netProcess::~Ser2netProcess()
{
    stop();
}

QString Ser2netProcess::address(Accepter accepter) const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(accepter == Raw ? QLatin1String("tcp") : QLatin1String("rfc2217"))
        .arg(ports[accepter]);
}

bool Ser2netProcess::start(const QString &device)
{
    served = device;
    // Held at once, so that the three differ; closed before ser2net binds.
    QTcpServer probes[3];
    for (int k = 0; k < 3; ++k) {
        if (!probes[k].listen(QHostAddress::LocalHost, 0)) {
            failure = QStringLiteral("no free local port");
            return false;
        }
        ports[k] = probes[k].serverPort();
    }
    for (QTcpServer &probe : probes)
        probe.close();
    return launch();
}

bool Ser2netProcess::launch()
{
    if (!dir.isValid()) {
        failure = QStringLiteral("no temporary directory");
        return false;
    }
    // "local": the pseudo-terminal has no modem lines to wait for.
    const QString connector =
        QStringLiteral("    connector: serialdev,%1,115200n81,local\n").arg(served);
    const QString config =
        QStringLiteral("%YAML 1.1\n---\n") +
        QStringLiteral("connection: &raw\n    accepter: tcp,127.0.0.1,%1\n").arg(ports[Raw]) +
        connector +
        QStringLiteral("connection: &rfc2217\n    accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n")
            .arg(ports[Rfc2217]) +
        connector +
        QStringLiteral("connection: &telnet\n    accepter: telnet,tcp,127.0.0.1,%1\n")
            .arg(ports[PlainTelnet]) +
        connector;
    const QString config_path = dir.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
        failure = QStringLiteral("cannot write ") + config_path;
        return false;
    }
    file.close();
    // -n: stays in the foreground, a child of the test; -u: no UUCP lock
    // files, which need a system folder.
    process.setArguments({QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"),
                          config_path, QStringLiteral("-P"),
                          dir.filePath(QStringLiteral("ser2net.pid"))});
    process.start();
    if (!process.waitForStarted(10000)) {
        failure = QStringLiteral(POSCAM_SER2NET) + QStringLiteral(": ") + process.errorString() +
                  QStringLiteral(" (scripts/deps --test installs ser2net)");
        return false;
    }
    if (!QTest::qWaitFor(
            [&] {
                return process.state() != QProcess::Running ||
                       (is_listening(ports[0]) && is_listening(ports[1]) && is_listening(ports[2]));
            },
            10000) ||
        process.state() != QProcess::Running) {
        failure =
            QStringLiteral("ser2net did not listen: ") + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}

bool Ser2netProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return false;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return true;
}

bool Ser2netProcess::restart()
{
    stop();
    return launch();
}
