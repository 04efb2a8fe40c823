#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ser2net for one test, with a configuration file of its own, serving
// one serial device on three free local ports: raw TCP, telnet with RFC 2217,
// and plain telnet without it.
class Ser2netProcess
{
public:
    enum Accepter { Raw, Rfc2217, PlainTelnet };

    Ser2netProcess();
    ~Ser2netProcess();
    Ser2netProcess(const Ser2netProcess &) = delete;
    Ser2netProcess &operator=(const Ser2netProcess &) = delete;

    // Why start() failed, when it did.
    QString error() const
    {
        return failure;
    }

    // Serves `device` and waits until every port listens.
    bool start(const QString &device);
    // Ends it (SIGTERM); its clients' connections drop.
    bool stop();
    // Starts it again on the same ports.
    bool restart();

    quint16 port(Accepter accepter) const
    {
        return ports[accepter];
    }
    qint64 process_id() const
    {
        return process.processId();
    }
    // "tcp://127.0.0.1:PORT" for Raw, "rfc2217://..." for the telnet ones.
    QString address(Accepter accepter) const;

private:
    bool launch();

    QTemporaryDir dir;
    QProcess process;
    QString served;
    quint16 ports[3] = {0, 0, 0};
    QString failure;
};

// A local TCP port that nothing listens on now.
quint16 free_local_port();
