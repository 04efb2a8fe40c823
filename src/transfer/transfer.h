#pragma once

#include "protocol/tagrecord.h"
#include "tags/tagcheck.h"
#include "transfer/transferstep.h"

#include <QString>
#include <QVector>
#include <optional>

// The transfer as one value and the steps that move it. Every step is pure:
// it takes the state and gives the next one, and the window applies it (the
// timer runs and the table is locked exactly while `running`).
namespace transfer
{

struct State {
    QVector<TagRecord> list; // the snapshot; kept after the transfer ends
    int index = 0;           // the record under way
    bool start_acked = false;
    bool all_acked = false;
    bool running = false;
};

// What starting from the table's rows 0..limit-1 comes to. A record the
// camera cannot receive refuses the start; findings wait for the operator's
// answer; otherwise, or once the operator agrees, `next` is the transfer.
struct Start {
    std::optional<QString> refusal;
    QVector<TagFinding> findings;
    State next;
};
Start start(const State &state, const QVector<TagRowTexts> &rows, int tags_beyond_limit);

// What a tick writes, and the progress bar's value. Nothing while there is
// no current record. A tick never changes the state: only the camera's
// acknowledgements move it.
struct Tick {
    TransferFrame frame = TransferFrame::nothing;
    TagRecord record; // the current record, which the record frame carries
    int progress = 0;
};
std::optional<Tick> tick(const State &state);

// The camera's answers, applied whether or not a transfer runs.
State start_acknowledged(State state);
// Only the record being sent counts: a late or repeated acknowledgement of an
// earlier record changes nothing. The last record's sets `all_acked`.
State record_acknowledged(State state, int code_id);
// The end acknowledgement and the operator's interruption: the index at 0
// and both flags clear, so the next transfer starts with the handshake.
State ended(State state);
// The port closed: a running transfer ends; without one the flags stay.
State port_lost(State state);

} // namespace transfer
