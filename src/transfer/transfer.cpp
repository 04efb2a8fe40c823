#include "transfer/transfer.h"

#include "tags/tagtable.h"
#include "transfer/recordcheck.h"

namespace transfer
{

Start start(const State &state, const QVector<TagRowTexts> &rows, int tags_beyond_limit)
{
    Start result;
    QVector<TagRecord> snapshot;
    for (int row = 0; row < rows.size(); ++row) {
        const std::optional<TagRecord> record = tag_record_from_texts(rows.at(row));
        if (!record)
            continue;
        // A record the camera can never receive would be repeated for good:
        // the operator corrects the table first.
        if (const std::optional<QString> why =
                why_camera_cannot_receive(*record, tag_table_headers())) {
            result.refusal = unreceivable_row_text(row + 1, *why);
            result.next = state;
            return result;
        }
        snapshot.append(*record);
    }
    result.findings = check_tag_rows(rows, tags_beyond_limit);
    result.next = state;
    result.next.list = snapshot;
    result.next.index = 0;
    result.next.running = !snapshot.isEmpty();
    return result;
}

std::optional<Tick> tick(const State &state)
{
    if (state.index < 0 || state.index >= state.list.size())
        return std::nullopt;
    return Tick{transfer_frame_for(state.start_acked, state.all_acked), state.list.at(state.index),
                transfer_progress(state.index, state.list.size())};
}

State start_acknowledged(State state)
{
    state.start_acked = true;
    return state;
}

State record_acknowledged(State state, int code_id)
{
    if (state.index < 0 || state.index >= state.list.size() ||
        state.list.at(state.index).id != code_id)
        return state;
    if (state.index == state.list.size() - 1)
        state.all_acked = true;
    else
        ++state.index;
    return state;
}

State ended(State state)
{
    state.index = 0;
    state.start_acked = false;
    state.all_acked = false;
    state.running = false;
    return state;
}

State port_lost(State state)
{
    if (state.running)
        return ended(state);
    state.index = 0;
    return state;
}

} // namespace transfer
