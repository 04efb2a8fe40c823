#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVector>

// A workbook of one sheet holding `rows` from cell A1 on, as an .xlsx
// package that the spreadsheet applications open. A cell whose text is the
// way the readers show a number (sheet_number_text) is stored as that
// number, any other as text; an empty text leaves its cell out. Reading the
// package back gives the same texts.
QByteArray xlsx_workbook_bytes(const QVector<QStringList> &rows);
