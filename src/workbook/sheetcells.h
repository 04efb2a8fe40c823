#pragma once

#include "workbook/readresult.h"

#include <QDate>
#include <QString>
#include <QVector>

// Bounds on what any workbook may make the reader hold. A tag map has at most
// 20000 rows; a sheet a hundred times that size is hostile or a mistake.
constexpr int kMaxSheetCells = 2'000'000;
constexpr int kMaxSheetRows = 1 << 20;    // 1048576, the largest sheet of current applications
constexpr int kMaxSheetColumns = 1 << 14; // 16384
constexpr int kMaxCellTextLength = 1 << 20;

// One cell that holds a value, 0-based, with its value already shown as the
// program shows it.
struct SheetCell {
    int row = 0;
    int column = 0;
    QString text;
};

// The smallest rectangle holding every cell present, 1-based like the
// spreadsheet applications count. An empty sheet's range is the single cell
// at row 1, column 1.
struct UsedRange {
    int first_row = 1;
    int first_column = 1;
    int row_count = 1;
    int column_count = 1;
};

// Something a reader passed over or showed as stored text without refusing
// the sheet (a value it cannot understand, a record that does not add up).
// A file with thousands of such cells gets one entry per kind: the kind, the
// first place it was met, and how often.
struct SheetOddity {
    QString kind;   // short English text, the same for every cell of the kind
    QString detail; // the first cell or record met
    int count = 0;
};

// The cells of one worksheet as read from a file. Readers add cells in any
// order; finish() sorts them so that lookups are cheap.
class SheetCells
{
public:
    // Why the cell was not stored: it lies outside the largest sheet, its
    // text is too long, or the sheet already holds kMaxSheetCells cells.
    // Nothing when it was stored.
    std::optional<Refusal> add(qint64 row, qint64 column, const QString &text);

    // Sorts the cells by row and column; of two cells at one place the one
    // added last wins.
    void finish();

    int size() const
    {
        return int(cells.size());
    }
    UsedRange used_range() const;

    // After finish(): the cell at 0-based (row, column), or null when none.
    const SheetCell *find(int row, int column) const;

    // Records an oddity of `kind`; only the first detail of each kind is kept.
    void note_oddity(const QString &kind, const QString &detail);
    const QVector<SheetOddity> &oddities() const
    {
        return odd;
    }

private:
    QVector<SheetCell> cells;
    QVector<SheetOddity> odd;
};

// How every reader shows a number cell, whatever format stored it. A whole
// number of up to 15 digits shows as its digits (1000000 as "1000000", -0 as
// "0"): the tag columns are read as integers, and a double holds every such
// number exactly. Any other number shows as the shortest text that reads
// back to the same double, plain down to 0.0001 and up to a few places past
// its digits, else with an exponent: 12.5, 0.0001, 1e-07, 1e+15; the same
// text whichever toolkit the program is built with.
QString sheet_number_text(double value);

// The same rule for a number stored as text in a file (surrounding blanks
// allowed); `ok` tells whether it was a number at all.
QString sheet_number_text(const QString &stored, bool *ok);

// The text of a boolean cell.
QString sheet_boolean_text(bool value);

// Day 0 of the serial day numbers that spreadsheets give dates as: 1899-12-30
// (the 1900 system counts a 29 February 1900 that never was).
const QDate kSerialDayZero(1899, 12, 30);

// An ISO 8601 date or date-time as a serial day number counted from
// `day_zero`, the time of day as its fraction; nothing when it is neither.
std::optional<double> iso_date_serial(const QString &text, const QDate &day_zero);

// An ISO 8601 duration ("PT12H30M15.5S", "-P1DT2H") as days; nothing when it
// is none.
std::optional<double> iso_duration_days(const QString &text);
