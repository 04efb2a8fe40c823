#pragma once

#include <QString>

// The largest number of table rows a transfer, an import or an export moves:
// the tag table's row count.
constexpr int kMaxTransportLimit = 20000;
// The rows a transfer takes until the operator sets another limit.
constexpr int kDefaultTransportLimit = 200;

// One frame per tick: the camera answers each well within it, and a transfer
// of N records takes at least N + 2 ticks.
constexpr int kTransferTickMs = 50;

// Which frame one transfer tick writes, from the camera's acknowledgements
// so far.
enum class TransferFrame {
    start_request, // the camera has not acknowledged the start yet
    current_record,
    end_request, // every record acknowledged
    nothing,     // last record acknowledged before the start was: wait
};

TransferFrame transfer_frame_for(bool start_acked, bool all_acked);

// The progress bar's value while record `index` of `size` is under way:
// ((index + 1) / size) x 100, the quotient taken in floating point first and
// the product truncated toward zero. 0 for an empty list.
int transfer_progress(int index, int size);

// The limit the operator typed: base-10 integer text, 0 when it is not one,
// at most kMaxTransportLimit. Zero and negative limits stay; they move no rows.
int transport_limit_from_text(const QString &text);

// "传输上限:<limit>"
QString transport_limit_label(int limit);
