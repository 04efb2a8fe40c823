#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A poscam-camsim process for one test: started with the test's options, its
// frame log and tag map in a directory of its own, its standard output read
// line by line.
class CamsimProcess
{
public:
    CamsimProcess();
    ~CamsimProcess();
    CamsimProcess(const CamsimProcess &) = delete;
    CamsimProcess &operator=(const CamsimProcess &) = delete;

    // Starts the simulator and waits for the port it opened.
    bool start(const QStringList &options);

    // The port of the latest "port" line.
    QString port() const;

    // Waits until the `count`-th line starting with `prefix` has come and
    // returns it, or an empty text after `timeout_ms`.
    QString wait_for_line(const QString &prefix, int count = 1, int timeout_ms = 30000);

    // Sends one command on its standard input.
    void command(const QString &line);

    // Asks for the tag map (SIGUSR1), waits until it is written and returns
    // its text.
    QString received_map(int timeout_ms = 10000);
    // The same map's tags, one line each, without its header and its frame
    // column: id, x, y, side and angle, tab-separated.
    QStringList received_rows();

    QString frame_log() const;
    QString map_path() const;

    // Ends it with SIGTERM; true when it exited normally with status 0, which
    // also says its sanitizers found nothing.
    bool stop();

private:
    int lines_starting_with(const QString &prefix) const;
    void read_output();

    QTemporaryDir dir;
    QProcess process;
    QByteArray pending;
    QStringList lines;
};
