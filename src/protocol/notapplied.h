#pragma once

#include "protocol/reportdecoder.h"

#include <QByteArray>
#include <optional>

namespace protocol
{

// Whether a cut frame was not applied because the line spoiled it: its check
// byte does not hold, or its length matches no report. A frame that is
// recognised and has no effect by design (a 12-byte list, an unknown key) is
// not counted.
bool frame_not_applied(const QByteArray &collected, const std::optional<Report> &report);

} // namespace protocol
