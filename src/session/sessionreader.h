#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads a session file block by block, never holding more than one block and
// never reading a block longer than the bound the recorder keeps. A file that
// is not a session is refused with a reason; a last block cut short (the
// program or the machine stopped while writing it) ends the session without
// an error, so that what came before it still replays.
namespace session
{

struct SessionPacket {
    qint64 time_us = 0; // since the epoch
    bool inbound = true;
    QByteArray bytes;
};

class SessionReader
{
public:
    enum class Next { Packet, End, Error };

    // Reads the section header and the interface description. The device
    // stays the caller's and must stay open while this reader reads it.
    bool open(QIODevice *device);

    Next next(SessionPacket &packet);

    // Why open() or next() failed, in English.
    QString error() const
    {
        return error_text;
    }
    // Whether the session ended in a block cut short.
    bool truncated() const
    {
        return cut_short;
    }
    QString port_name() const
    {
        return port;
    }
    QString description() const
    {
        return settings;
    }

private:
    enum class Block { Read, End, Error };
    Block read_block(quint32 &type, QByteArray &body);
    bool fail(const QString &text);
    bool read_interface(const QByteArray &body);

    QIODevice *device = nullptr;
    QString error_text;
    bool cut_short = false;
    QString port;
    QString settings;
};

} // namespace session
