#include "workbook/sheetcells.h"

#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

std::optional<Refusal> SheetCells::add(qint64 row, qint64 column, const QString &text)
{
    if (row < 0 || row >= kMaxSheetRows || column < 0 || column >= kMaxSheetColumns)
        return Refusal{RefusalKind::OutsideSheet,
                       QStringLiteral("cell at row %1, column %2 lies outside the largest sheet "
                                      "of %3 rows and %4 columns")
                           .arg(row + 1)
                           .arg(column + 1)
                           .arg(kMaxSheetRows)
                           .arg(kMaxSheetColumns)};
    if (text.size() > kMaxCellTextLength)
        return Refusal{RefusalKind::CellTooLong,
                       QStringLiteral("cell at row %1, column %2 holds %3 characters, more than %4")
                           .arg(row + 1)
                           .arg(column + 1)
                           .arg(text.size())
                           .arg(kMaxCellTextLength)};
    if (cells.size() >= kMaxSheetCells)
        return Refusal{RefusalKind::TooManyCells,
                       QStringLiteral("sheet holds more than %1 cells").arg(kMaxSheetCells)};
    cells.append(SheetCell{int(row), int(column), text});
    return std::nullopt;
}

void SheetCells::note_oddity(const QString &kind, const QString &detail)
{
    for (SheetOddity &known : odd) {
        if (known.kind == kind) {
            ++known.count;
            return;
        }
    }
    odd.append(SheetOddity{kind, detail.left(200), 1});
}

void SheetCells::finish()
{
    const auto before = [](const SheetCell &a, const SheetCell &b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    // Readers mostly deliver cells in order already.
    if (!std::is_sorted(cells.begin(), cells.end(), before))
        std::stable_sort(cells.begin(), cells.end(), before);
    // Keep the last of equal neighbours: a file that names one cell twice
    // means its later value.
    QVector<SheetCell> unique;
    unique.reserve(cells.size());
    for (SheetCell &cell : cells) {
        if (!unique.isEmpty() && unique.last().row == cell.row &&
            unique.last().column == cell.column)
            unique.last() = std::move(cell);
        else
            unique.append(std::move(cell));
    }
    cells = std::move(unique);
}

UsedRange SheetCells::used_range() const
{
    UsedRange range;
    if (cells.isEmpty())
        return range;
    int min_row = cells.first().row;
    int max_row = cells.last().row;
    int min_column = kMaxSheetColumns;
    int max_column = -1;
    for (const SheetCell &cell : cells) {
        min_column = std::min(min_column, cell.column);
        max_column = std::max(max_column, cell.column);
    }
    range.first_row = min_row + 1;
    range.first_column = min_column + 1;
    range.row_count = max_row - min_row + 1;
    range.column_count = max_column - min_column + 1;
    return range;
}

const SheetCell *SheetCells::find(int row, int column) const
{
    auto it = std::lower_bound(cells.begin(), cells.end(), std::make_pair(row, column),
                               [](const SheetCell &cell, const std::pair<int, int> &place) {
                                   return cell.row != place.first ? cell.row < place.first
                                                                  : cell.column < place.second;
                               });
    if (it == cells.end() || it->row != row || it->column != column)
        return nullptr;
    return &*it;
}

namespace
{

// The digits of the shortest text that reads back to `value`, in the one
// form the workbooks have always shown it in. The toolkits' own shortest
// form is no fit: Qt 6 writes 0.0001 as "1e-04" where Qt 5 wrote "0.0001",
// and imported cells must read the same whichever toolkit shows them.
QString shortest_number_text(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    char scientific[64];
    const std::to_chars_result written = std::to_chars(scientific, scientific + sizeof scientific,
                                                       value, std::chars_format::scientific);
    const char *const end = written.ptr;
    const char *at = scientific;
    const bool negative = *at == '-';
    if (negative)
        ++at;
    QString digits;
    for (; at != end && *at != 'e'; ++at)
        if (*at != '.')
            digits += QLatin1Char(*at);
    int exponent = 0;
    if (at != end)
        std::from_chars(at[1] == '+' ? at + 2 : at + 1, end, exponent);
    const int count = int(digits.size());
    // Places before the decimal point; 0 or less for a number below 1.
    const int point = exponent + 1;
    // Below 1, plain digits down to 0.0001; from 1 up, plain digits while
    // they run at most five places (six with a fraction or a three-digit
    // exponent) past the significant digits.
    const bool plain = point <= 0
                           ? exponent >= -4
                           : point <= count + 5 + (point > 100 ? 1 : 0) + (count > point ? 1 : 0);
    QString text;
    if (negative)
        text += QLatin1Char('-');
    if (!plain) {
        text += digits.at(0);
        if (count > 1)
            text += QLatin1Char('.') + digits.mid(1);
        text += QLatin1String(exponent < 0 ? "e-" : "e+") +
                QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
    } else if (point <= 0) {
        text += QLatin1String("0.") + QString(-point, QLatin1Char('0')) + digits;
    } else if (point >= count) {
        text += digits + QString(point - count, QLatin1Char('0'));
    } else {
        text += digits.left(point) + QLatin1Char('.') + digits.mid(point);
    }
    return text;
}

} // namespace

QString sheet_number_text(double value)
{
    // 999999999999999 is the largest whole number of 15 digits; every whole
    // number up to it is exact in a double and in 64 bits.
    constexpr double kLargestDigitsShown = 999999999999999.0;
    if (std::abs(value) <= kLargestDigitsShown && std::trunc(value) == value)
        return QString::number(qint64(value));
    return shortest_number_text(value);
}

QString sheet_number_text(const QString &stored, bool *ok)
{
    // A whole number of up to 15 digits, without a sign other than '-' or
    // leading zeros, is already shown as the rule shows it; most tag map
    // cells are such numbers, and formatting them anew is the larger part of
    // reading them.
    const int digits_from = stored.startsWith(QLatin1Char('-')) ? 1 : 0;
    const int digits = stored.size() - digits_from;
    bool canonical = digits > 0 && digits <= 15 &&
                     (stored.at(digits_from) != QLatin1Char('0') || digits == 1) &&
                     !(digits_from == 1 && stored == QLatin1String("-0"));
    for (int i = digits_from; canonical && i < stored.size(); ++i)
        canonical = stored.at(i) >= QLatin1Char('0') && stored.at(i) <= QLatin1Char('9');
    if (canonical) {
        *ok = true;
        return stored;
    }
    const double value = stored.toDouble(ok);
    return *ok ? sheet_number_text(value) : QString();
}

QString sheet_boolean_text(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<double> iso_date_serial(const QString &text, const QDate &day_zero)
{
    QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!day.isValid())
            return std::nullopt;
        moment = QDateTime(day, QTime(0, 0));
    }
    return double(day_zero.daysTo(moment.date())) +
           moment.time().msecsSinceStartOfDay() / 86400000.0;
}

std::optional<double> iso_duration_days(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(-)?P(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+(?:\.\d+)?)S)?)?$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const double seconds = match.captured(2).toDouble() * 86400 +
                           match.captured(3).toDouble() * 3600 + match.captured(4).toDouble() * 60 +
                           match.captured(5).toDouble();
    return (match.captured(1).isEmpty() ? 1 : -1) * seconds / 86400;
}
