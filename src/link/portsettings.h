#pragma once

#include "netport/linesettings.h"

#include <QString>
#include <QtGlobal>

class QSerialPort;

namespace seriallink
{

// A connection's line settings, in the terms of the window's boxes, whose
// defaults these are: 115200 baud, 8 data bits, 1 stop bit, no parity, no
// flow control. Stop bits, parity and flow control are the boxes' indices; a
// value outside them, like data bits other than 5..8, leaves the port's own
// setting alone.
struct PortSettings {
    QString port_name;
    qint32 baud_rate = 115200;
    int data_bits = 8;
    int stop_bits_index = 0; // "1", "1.5", "2"
    int parity_index = 0;    // none, even, odd, space, mark
    int flow_index = 0;      // none, hardware, software
};

// In the order port name, baud rate, data bits, stop bits, parity, flow
// control; the setters' results are not examined.
void apply_settings(QSerialPort &port, const PortSettings &settings);

// The same settings for a remote port behind an RFC 2217 server; a value
// outside the boxes leaves the default.
netport::LineSettings line_settings(const PortSettings &settings);

// "115200 8N1 无流控", as a session file describes its line.
QString settings_text(const PortSettings &settings);

} // namespace seriallink
