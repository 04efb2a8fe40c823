// poscam-map grid: a regular floor's map from a handful of numbers.
#include "mapcommands.h"
#include "tags/mapwriter.h"
#include "transfer/gridcheck.h"

#include <QTextStream>
#include <array>

namespace maptool
{
namespace
{

struct IntOption {
    const char *name;
    GridField field;
    int GridSpec::*value;
    bool required;
};

const std::array<IntOption, 10> kIntOptions = {{
    {"--rows", GridField::rows, &GridSpec::rows, true},
    {"--columns", GridField::columns, &GridSpec::columns, true},
    {"--pitch-x", GridField::pitch_x, &GridSpec::pitch_x_cm, true},
    {"--pitch-y", GridField::pitch_y, &GridSpec::pitch_y_cm, true},
    {"--origin-x", GridField::origin_x, &GridSpec::origin_x_cm, false},
    {"--origin-y", GridField::origin_y, &GridSpec::origin_y_cm, false},
    {"--first-id", GridField::first_id, &GridSpec::first_id, false},
    {"--id-step", GridField::id_step, &GridSpec::id_step, false},
    {"--side", GridField::side, &GridSpec::side_mm, false},
    {"--angle", GridField::angle, &GridSpec::angle_deg, false},
}};

QString option_of(GridField field)
{
    for (const IntOption &option : kIntOptions)
        if (option.field == field)
            return QLatin1String(option.name);
    return QString();
}

int usage_error(QTextStream &err, const QString &what)
{
    err << "poscam-map grid: " << what << "\nTry 'poscam-map --help'.\n";
    return exit_status::unreadable;
}

int run_grid(const QStringList &arguments, QTextStream &, QTextStream &err)
{
    GridSpec spec;
    QString output;
    QStringList given;
    for (int k = 0; k < arguments.size(); ++k) {
        const QString &name = arguments.at(k);
        if (k + 1 >= arguments.size())
            return usage_error(err, QStringLiteral("%1 needs a value").arg(name));
        const QString &value = arguments.at(++k);
        if (name == QLatin1String("-o")) {
            output = value;
            continue;
        }
        if (name == QLatin1String("--order")) {
            const std::optional<GridOrder> order = grid_order_from_name(value);
            if (!order)
                return usage_error(err, QStringLiteral("--order is rows, columns, "
                                                       "serpentine-rows or serpentine-columns"));
            spec.order = *order;
            continue;
        }
        const auto option = std::find_if(kIntOptions.begin(), kIntOptions.end(),
                                         [&name](const IntOption &o) { return name == o.name; });
        if (option == kIntOptions.end())
            return usage_error(err, QStringLiteral("unknown option %1").arg(name));
        bool number = false;
        spec.*(option->value) = value.toInt(&number, 10);
        if (!number)
            return usage_error(err,
                               QStringLiteral("%1 takes a whole number, not %2").arg(name, value));
        given << name;
    }
    for (const IntOption &option : kIntOptions)
        if (option.required && !given.contains(QLatin1String(option.name)))
            return usage_error(err, QStringLiteral("%1 is required").arg(option.name));
    if (output.isEmpty())
        return usage_error(err, QStringLiteral("-o FILE is required"));
    if (const std::optional<GridProblem> problem = grid_refusal(spec))
        return usage_error(
            err, QStringLiteral("%1: %2").arg(option_of(problem->field), problem->english));
    QVector<TagRowTexts> rows;
    for (const TagRecord &tag : grid_tags(spec))
        rows.append(tag_row_of(tag));
    QString error;
    if (!write_map_file(output, rows, &error)) {
        err << "poscam-map grid: " << output << ": " << error << '\n';
        return exit_status::unreadable;
    }
    return exit_status::ok;
}

} // namespace

extern const Command grid_command;
const Command grid_command = {
    QStringLiteral("grid"),
    QStringLiteral(
        "  grid --rows R --columns C --pitch-x CM --pitch-y CM [--origin-x CM]\n"
        "       [--origin-y CM] [--first-id N] [--id-step N]\n"
        "       [--order rows|columns|serpentine-rows|serpentine-columns]\n"
        "       [--side MM] [--angle DEG] -o FILE\n"
        "               writes the map of a regular floor, one tag a cell, in numbering\n"
        "               order: the first tag at the origin (default 0, 0), ids from\n"
        "               --first-id (1) by --id-step (1), numbered row by row along x\n"
        "               unless --order says otherwise (serpentine: every second row or\n"
        "               column backwards); a negative pitch numbers towards -x or -y;\n"
        "               every tag of side --side (50) and angle --angle (0). FILE is in\n"
        "               the export's text format, or an .xlsx workbook or a .dxf\n"
        "               drawing by its suffix. A grid of more than 20000 tags, or with\n"
        "               values the camera cannot receive, is refused naming the option.\n"),
    run_grid,
};

} // namespace maptool
