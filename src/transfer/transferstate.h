#pragma once

#include "protocol/tagrecord.h"

#include <QVector>

// The rules of the transfer's state, which the window keeps in its members:
// the snapshot, the index of the record being sent and the camera's two
// acknowledgement flags.

// The camera acknowledged the record with `code_id`. Only the record being
// sent counts, so a late or repeated acknowledgement of an earlier record, or
// one before any snapshot, changes nothing. The last record's sets `all_acked`
// (the ticks then send the end request); any other's moves on to the next.
void acknowledge_record(const QVector<TagRecord> &list, int &index, bool &all_acked, int code_id);

// How every way of ending a transfer leaves it: the index at 0 and both
// flags clear, so the next transfer starts with the handshake.
void clear_transfer_state(int &index, bool &start_acked, bool &all_acked);
