// poscam-map convert: a map from any format the import reads into the
// export's text, an .xlsx workbook or a .dxf drawing.
#include "mapcommands.h"
#include "tags/mapdxf.h"
#include "tags/mapfile.h"
#include "tags/mapwriter.h"
#include "tags/tagtable.h"

#include <QTextStream>
#include <array>

namespace maptool
{
namespace
{

const std::array<std::pair<const char *, int>, 4> kUnitNames = {{
    {"mm", dxf_units::millimetre},
    {"cm", dxf_units::centimetre},
    {"m", dxf_units::metre},
    {"inch", dxf_units::inch},
}};

int usage_error(QTextStream &err, const QString &what)
{
    err << "poscam-map convert: " << what << "\nTry 'poscam-map --help'.\n";
    return exit_status::unreadable;
}

bool is_empty(const TagRowTexts &texts)
{
    return std::all_of(texts.begin(), texts.end(),
                       [](const QString &text) { return text.isEmpty(); });
}

int run_convert(const QStringList &arguments, QTextStream &, QTextStream &err)
{
    QString input, output;
    std::optional<int> units;
    for (int k = 0; k < arguments.size(); ++k) {
        const QString &argument = arguments.at(k);
        if (argument == QLatin1String("-o") || argument == QLatin1String("--dxf-units")) {
            if (k + 1 >= arguments.size())
                return usage_error(err, QStringLiteral("%1 needs a value").arg(argument));
            const QString &value = arguments.at(++k);
            if (argument == QLatin1String("-o")) {
                output = value;
                continue;
            }
            for (const auto &unit : kUnitNames)
                if (value == QLatin1String(unit.first))
                    units = unit.second;
            if (!units)
                return usage_error(err, QStringLiteral("--dxf-units is mm, cm, m or inch"));
        } else if (input.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
            input = argument;
        } else {
            return usage_error(err, QStringLiteral("unexpected %1").arg(argument));
        }
    }
    if (input.isEmpty() || output.isEmpty())
        return usage_error(err, QStringLiteral("FILE and -o OUT are required"));
    MapRows map = read_map_rows(input, TAG_TABLE_ROWS, units);
    if (!map.ok) {
        err << "poscam-map convert: " << map.failure << '\n';
        return exit_status::unreadable;
    }
    // The rows a workbook's used range reaches, not the table's 20000.
    while (!map.rows.isEmpty() && is_empty(map.rows.last()))
        map.rows.removeLast();
    QString error;
    if (!write_map_file(output, map.rows, &error)) {
        err << "poscam-map convert: " << output << ": " << error << '\n';
        return exit_status::unreadable;
    }
    return exit_status::ok;
}

} // namespace

extern const Command convert_command;
const Command convert_command = {
    QStringLiteral("convert"),
    QStringLiteral(
        "  convert FILE -o OUT [--dxf-units mm|cm|m|inch]\n"
        "               reads FILE as the import does (.xlsx, .xls, .ods, text) or as a\n"
        "               DXF drawing (block references with an attribute ID, and\n"
        "               optionally SIDE in mm), and writes OUT in the export's text\n"
        "               format, or as an .xlsx workbook or a .dxf drawing by its\n"
        "               suffix. A drawing that does not state its units ($INSUNITS) is\n"
        "               refused unless --dxf-units names them; check and send refuse\n"
        "               such a drawing too, so convert it first.\n"),
    run_convert,
};

} // namespace maptool
