#pragma once

#include <QByteArray>

// TEMPORARY: a stand-in for the project's receive framing until it lands on
// main; then the camera cuts with protocol::cut_byte and this file goes.
namespace camsim
{

constexpr int kInterimMaxCollected = 12 * 127 + 4;

bool interim_cut_byte(quint8 byte, bool &ff_seen, bool &in_frame, bool &fe_seen, QByteArray &frame);

} // namespace camsim
