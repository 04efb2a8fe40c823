#include "session/sessionrecorder.h"

#include "session/pcapng.h"
#include "session/sessionfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <chrono>

namespace session
{
namespace
{

// About a minute and a half of the line at 115200 baud: a disk that falls
// further behind than this has stopped keeping up.
constexpr qint64 kMaxQueuedBytes = qint64(16) << 20;
// The writer wakes this often, or sooner once this much is queued: one wake
// and one write for many reads, where a wake for each of the line's 500 reads
// a second cost the window's process more than the rest of recording.
constexpr auto kWriteEvery = std::chrono::milliseconds(100);
constexpr qint64 kWakeBytes = qint64(64) << 10;
// What one write holds at most, so that a disk failing mid-wake still keeps
// most of what came before.
constexpr int kMaxWriteBytes = 16 << 10;

qint64 now_us()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

SessionRecorder::SessionRecorder(QObject *parent)
    : QObject(parent), max_file_bytes(kMaxSessionFileBytes)
{
}

SessionRecorder::~SessionRecorder()
{
    stop();
}

bool SessionRecorder::start(const QString &folder, const QString &port_name,
                            const QString &settings)
{
    stop();
    folder_path = folder;
    port = port_name;
    line_settings = settings;
    failure_text.clear();
    QString reason;
    if (!QDir().mkpath(folder) || !open_file(reason)) {
        failure_text = reason.isEmpty() ? QStringLiteral("无法创建文件夹 ") + folder : reason;
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = false;
        active = true;
        queue.clear();
        queued_bytes = 0;
    }
    writer = std::thread([this] { run(); });
    return true;
}

void SessionRecorder::record(bool inbound, const QByteArray &bytes)
{
    QString overflow;
    bool wake_writer = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!active)
            return;
        if (queued_bytes + bytes.size() > kMaxQueuedBytes) {
            active = false;
            queue.clear();
            queued_bytes = 0;
            overflow = QStringLiteral("磁盘写入跟不上串口数据");
        } else {
            queue.push_back({now_us(), inbound, bytes});
            queued_bytes += bytes.size();
            wake_writer = queued_bytes >= kWakeBytes;
        }
    }
    if (!overflow.isEmpty()) {
        // The writer cuts the file back and closes it when it next wakes.
        fail(overflow);
        return;
    }
    if (wake_writer)
        wake.notify_one();
}

void SessionRecorder::stop()
{
    if (!writer.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    writer.join();
    std::lock_guard<std::mutex> lock(mutex);
    active = false;
}

bool SessionRecorder::recording() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return active;
}

QString SessionRecorder::file_path() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return path;
}

QString SessionRecorder::failure() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return failure_text;
}

bool SessionRecorder::open_file(QString &reason)
{
    const QDateTime start = QDateTime::currentDateTime();
    QString name = QDir(folder_path).filePath(session_file_name(start, port));
    for (int n = 2; QFile::exists(name); ++n)
        name = QDir(folder_path)
                   .filePath(session_file_name(start, port)
                                 .replace(QStringLiteral(".pcapng"),
                                          QStringLiteral("-%1.pcapng").arg(n)));
    auto *next = new QFile(name);
    // Unbuffered: each batch is one write, so a failed write leaves nothing
    // queued inside the file object to be written at close.
    if (!next->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = next->errorString();
        delete next;
        return false;
    }
    const QByteArray head =
        section_header_block(QStringLiteral("poscam")) + interface_block(port, line_settings);
    if (next->write(head) != head.size()) {
        reason = next->errorString();
        next->close();
        delete next;
        return false;
    }
    if (file) {
        file->close();
        delete file;
    }
    file = next;
    file_bytes = head.size();
    std::lock_guard<std::mutex> lock(mutex);
    path = name;
    return true;
}

void SessionRecorder::fail(const QString &reason)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure_text.isEmpty())
            return;
        active = false;
        failure_text = reason;
    }
    QMetaObject::invokeMethod(
        this, [this, reason] { emit failed(reason); }, Qt::QueuedConnection);
}

void SessionRecorder::write_pieces(std::deque<Piece> &pieces)
{
    QByteArray batch;
    auto flush = [&]() {
        if (batch.isEmpty())
            return true;
        const qint64 written = file->write(batch);
        if (written != batch.size()) {
            const QString reason = file->errorString();
            file->resize(file_bytes); // back to the last whole block
            file->close();
            fail(reason.isEmpty() ? QStringLiteral("写入失败") : reason);
            return false;
        }
        file_bytes += batch.size();
        batch.clear();
        return true;
    };
    for (const Piece &piece : pieces) {
        for (int at = 0; at < piece.bytes.size() || (at == 0 && piece.bytes.isEmpty());
             at += kMaxPacketBytes) {
            const QByteArray block =
                packet_block(piece.time_us, piece.inbound, piece.bytes.mid(at, kMaxPacketBytes));
            if (file_bytes + batch.size() + block.size() > max_file_bytes) {
                if (!flush())
                    return;
                QString reason;
                if (!open_file(reason)) {
                    fail(reason);
                    return;
                }
            }
            batch += block;
            if (batch.size() >= kMaxWriteBytes && !flush())
                return;
            if (piece.bytes.isEmpty())
                break;
        }
    }
    flush();
}

void SessionRecorder::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait_for(lock, kWriteEvery,
                      [this] { return stopping || queued_bytes >= kWakeBytes || !active; });
        std::deque<Piece> pieces;
        pieces.swap(queue);
        queued_bytes = 0;
        const bool last = stopping || !active;
        const bool write = failure_text.isEmpty();
        lock.unlock();
        if (file && file->isOpen() && write)
            write_pieces(pieces);
        lock.lock();
        if (last && queue.empty())
            break;
    }
    lock.unlock();
    if (file) {
        file->close();
        delete file;
        file = nullptr;
    }
}

} // namespace session
