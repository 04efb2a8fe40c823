#include "link/portsettings.h"

#include <QSerialPort>
#include <QStringList>

namespace seriallink
{

void apply_settings(QSerialPort &port, const PortSettings &settings)
{
    port.setPortName(settings.port_name);
    port.setBaudRate(settings.baud_rate, QSerialPort::AllDirections);

    switch (settings.data_bits) {
    case 5:
        port.setDataBits(QSerialPort::Data5);
        break;
    case 6:
        port.setDataBits(QSerialPort::Data6);
        break;
    case 7:
        port.setDataBits(QSerialPort::Data7);
        break;
    case 8:
        port.setDataBits(QSerialPort::Data8);
        break;
    }

    const QSerialPort::StopBits stop_bits[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                               QSerialPort::TwoStop};
    if (settings.stop_bits_index >= 0 && settings.stop_bits_index < 3)
        port.setStopBits(stop_bits[settings.stop_bits_index]);

    const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                            QSerialPort::OddParity, QSerialPort::SpaceParity,
                                            QSerialPort::MarkParity};
    if (settings.parity_index >= 0 && settings.parity_index < 5)
        port.setParity(parities[settings.parity_index]);

    const QSerialPort::FlowControl flows[] = {
        QSerialPort::NoFlowControl, QSerialPort::HardwareControl, QSerialPort::SoftwareControl};
    if (settings.flow_index >= 0 && settings.flow_index < 3)
        port.setFlowControl(flows[settings.flow_index]);
}

QString settings_text(const PortSettings &settings)
{
    const QStringList stops = {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
    const QStringList flows = {QStringLiteral("无流控"), QStringLiteral("硬件流控"),
                               QStringLiteral("软件流控")};
    const auto item = [](const QStringList &items, int index) {
        return index >= 0 && index < items.size() ? items.at(index) : QString();
    };
    return QString::number(settings.baud_rate) + QLatin1Char(' ') +
           QString::number(settings.data_bits) +
           QStringLiteral("NEOSM").mid(settings.parity_index, 1) +
           item(stops, settings.stop_bits_index) + QLatin1Char(' ') +
           item(flows, settings.flow_index);
}

} // namespace seriallink
