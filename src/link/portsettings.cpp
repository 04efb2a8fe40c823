#include "link/portsettings.h"

#include <QSerialPort>
#include <QStringList>
#include <optional>

namespace seriallink
{

namespace
{

// The boxes' choices as the port's enumerations; nothing for a value outside
// them, which leaves the port's own setting alone.
std::optional<QSerialPort::DataBits> data_bits_of(int bits)
{
    switch (bits) {
    case 5:
        return QSerialPort::Data5;
    case 6:
        return QSerialPort::Data6;
    case 7:
        return QSerialPort::Data7;
    case 8:
        return QSerialPort::Data8;
    }
    return std::nullopt;
}

template <typename Value, int Count>
std::optional<Value> item_of(const Value (&items)[Count], int index)
{
    if (index >= 0 && index < Count)
        return items[index];
    return std::nullopt;
}

const QSerialPort::StopBits kStopBits[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                           QSerialPort::TwoStop};
const QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                         QSerialPort::OddParity, QSerialPort::SpaceParity,
                                         QSerialPort::MarkParity};
const QSerialPort::FlowControl kFlows[] = {QSerialPort::NoFlowControl, QSerialPort::HardwareControl,
                                           QSerialPort::SoftwareControl};

} // namespace

void apply_settings(QSerialPort &port, const PortSettings &settings)
{
    port.setPortName(settings.port_name);
    port.setBaudRate(settings.baud_rate, QSerialPort::AllDirections);
    if (const auto bits = data_bits_of(settings.data_bits))
        port.setDataBits(*bits);
    if (const auto stop = item_of(kStopBits, settings.stop_bits_index))
        port.setStopBits(*stop);
    if (const auto parity = item_of(kParities, settings.parity_index))
        port.setParity(*parity);
    if (const auto flow = item_of(kFlows, settings.flow_index))
        port.setFlowControl(*flow);
}

netport::LineSettings line_settings(const PortSettings &settings)
{
    netport::LineSettings line;
    line.baud_rate = settings.baud_rate;
    line.data_bits = data_bits_of(settings.data_bits).value_or(line.data_bits);
    line.stop_bits = item_of(kStopBits, settings.stop_bits_index).value_or(line.stop_bits);
    line.parity = item_of(kParities, settings.parity_index).value_or(line.parity);
    line.flow_control = item_of(kFlows, settings.flow_index).value_or(line.flow_control);
    return line;
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
