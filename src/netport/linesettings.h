#pragma once

#include <QSerialPort>

namespace netport
{

// The six settings of a serial line, as a local port is given them; a network
// port sends all but the name to an RFC 2217 server.
struct LineSettings {
    qint32 baud_rate = 115200;
    QSerialPort::DataBits data_bits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stop_bits = QSerialPort::OneStop;
    QSerialPort::FlowControl flow_control = QSerialPort::NoFlowControl;
};

} // namespace netport
