#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Records one connection's traffic into session files. The window's thread
// only stamps the bytes and queues them; a thread of the recorder's own
// writes them, at least every tenth of a second. When the disk fails or
// cannot keep up, recording stops for the rest of the session, the file is
// cut back to its last whole block, and failed() is emitted once; the
// caller's thread never waits on the disk, except in stop(), which writes
// what is still queued.
namespace session
{

class SessionRecorder : public QObject
{
    Q_OBJECT

public:
    explicit SessionRecorder(QObject *parent = nullptr);
    ~SessionRecorder() override;

    // Opens a new session file in `folder` (made if missing). False, with
    // the reason in failure(), when it cannot be created.
    bool start(const QString &folder, const QString &port_name, const QString &settings);
    void record(bool inbound, const QByteArray &bytes);
    void stop();

    bool recording() const;
    // The file being written, or the last one.
    QString file_path() const;
    QString failure() const;

    // For tests: a smaller rotation size than kMaxSessionFileBytes.
    void set_max_file_bytes(qint64 bytes)
    {
        max_file_bytes = bytes;
    }

signals:
    // Queued to the thread that made the recorder. `reason` is for the operator.
    void failed(const QString &reason);

private:
    struct Piece {
        qint64 time_us;
        bool inbound;
        QByteArray bytes;
    };
    void run();
    bool open_file(QString &reason);
    void write_pieces(std::deque<Piece> &pieces);
    void fail(const QString &reason);

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Piece> queue;
    qint64 queued_bytes = 0;
    bool stopping = false;
    bool active = false;
    std::thread writer;

    // The writer's own, or set before it runs.
    QString folder_path;
    QString port;
    QString line_settings;
    QString path;
    QString failure_text;
    qint64 max_file_bytes = 0;
    qint64 file_bytes = 0;
    QFile *file = nullptr;
};

} // namespace session
