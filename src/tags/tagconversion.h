#pragma once

#include "protocol/tagrecord.h"
#include "tags/tagtable.h"

#include <QString>
#include <array>
#include <optional>

// The five cell texts of one tag table row, in column order.
using TagRowTexts = std::array<QString, TAG_TABLE_COLUMNS>;

// Converts one row of the tag table into the record the camera receives.
// Every text is read with QString::toInt (0 when it is not a whole decimal
// number). A row whose id reads 0 holds no tag. The other fields are folded
// into the ranges the tag frame can carry: id 1..19999, x and y within
// +-65535, side 0..999, angle within +-359.
std::optional<TagRecord> tag_record_from_texts(const TagRowTexts &texts);

// The row texts that convert into `record` unchanged, as a generated or
// drawn map fills the table.
TagRowTexts tag_row_of(const TagRecord &record);
