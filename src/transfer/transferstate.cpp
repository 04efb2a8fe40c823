#include "transfer/transferstate.h"

void acknowledge_record(const QVector<TagRecord> &list, int &index, bool &all_acked, int code_id)
{
    if (index < 0 || index >= list.size() || list.at(index).id != code_id)
        return;
    if (index == list.size() - 1)
        all_acked = true;
    else
        ++index;
}

void clear_transfer_state(int &index, bool &start_acked, bool &all_acked)
{
    index = 0;
    start_acked = false;
    all_acked = false;
}
