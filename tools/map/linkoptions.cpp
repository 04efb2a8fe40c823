#include "linkoptions.h"

#include "transfer/transferstep.h"

namespace maptool
{

namespace
{

// The index of `value` in `names`, as the window's box holds it.
std::optional<int> index_of(const QStringList &names, const QString &value)
{
    const int index = names.indexOf(value);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

} // namespace

std::optional<QString> take_link_options(const QStringList &arguments,
                                         const QStringList &own_valued, LinkOptions &options,
                                         QStringList &rest)
{
    const QStringList valued = {"--port",      "--baud", "--data-bits", "--parity",
                                "--stop-bits", "--flow", "--limit"};
    for (int k = 0; k < arguments.size(); ++k) {
        const QString &argument = arguments.at(k);
        if (argument == QLatin1String("--no-record")) {
            options.record = false;
            continue;
        }
        if (own_valued.contains(argument)) {
            rest << argument;
            if (k + 1 < arguments.size())
                rest << arguments.at(++k);
            continue;
        }
        if (!valued.contains(argument)) {
            if (!argument.startsWith(QLatin1Char('-')) && options.file.isEmpty())
                options.file = argument;
            else
                rest << argument;
            continue;
        }
        if (k + 1 >= arguments.size())
            return QStringLiteral("%1 needs a value").arg(argument);
        const QString value = arguments.at(++k);
        bool number = false;
        const int as_int = value.toInt(&number, 10);
        if (argument == QLatin1String("--port")) {
            options.port.port_name = value;
        } else if (argument == QLatin1String("--baud")) {
            if (!number || as_int <= 0)
                return QStringLiteral("--baud is a positive whole number, not %1").arg(value);
            options.port.baud_rate = as_int;
        } else if (argument == QLatin1String("--data-bits")) {
            if (!number || as_int < 5 || as_int > 8)
                return QStringLiteral("--data-bits is 5, 6, 7 or 8");
            options.port.data_bits = as_int;
        } else if (argument == QLatin1String("--parity")) {
            const auto index = index_of({"none", "even", "odd", "space", "mark"}, value);
            if (!index)
                return QStringLiteral("--parity is none, even, odd, space or mark");
            options.port.parity_index = *index;
        } else if (argument == QLatin1String("--stop-bits")) {
            const auto index = index_of({"1", "1.5", "2"}, value);
            if (!index)
                return QStringLiteral("--stop-bits is 1, 1.5 or 2");
            options.port.stop_bits_index = *index;
        } else if (argument == QLatin1String("--flow")) {
            const auto index = index_of({"none", "hardware", "software"}, value);
            if (!index)
                return QStringLiteral("--flow is none, hardware or software");
            options.port.flow_index = *index;
        } else if (argument == QLatin1String("--limit")) {
            if (!number)
                return QStringLiteral("--limit is a whole number, not %1").arg(value);
            // As the window clamps what the operator types.
            options.limit = transport_limit_from_text(value);
        }
    }
    if (options.port.port_name.isEmpty())
        return QStringLiteral("--port DEV is required");
    if (options.file.isEmpty())
        return QStringLiteral("FILE is required");
    return std::nullopt;
}

std::optional<double> seconds_value(const QString &text)
{
    bool number = false;
    const double seconds = text.toDouble(&number);
    if (!number || !(seconds > 0) || seconds > 86400)
        return std::nullopt;
    return seconds;
}

} // namespace maptool
