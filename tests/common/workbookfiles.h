#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

// Workbooks for the tests: the fixtures LibreOffice made, and small packages
// built here for what no spreadsheet application would write.

QString fixture_path(const QString &file_name);
QByteArray fixture_bytes(const QString &file_name);

using ZipEntries = QVector<QPair<QString, QByteArray>>;

// A ZIP archive holding the entries in order, deflated.
QByteArray zip_archive(const ZipEntries &entries);

// A minimal .xlsx: one sheet with the given <sheetData> content, and shared
// strings when `shared_strings` is not empty.
QByteArray xlsx_package(const QByteArray &sheet_data, const QByteArray &shared_strings = {});

// A minimal .ods whose content.xml has the given first table content.
QByteArray ods_package(const QByteArray &table_content);

// One BIFF record: type, body size and body.
QByteArray biff_record(quint16 type, const QByteArray &body = {});

// A BIFF8 workbook stream: the globals (BOF, `globals`, one BOUNDSHEET a
// sheet, EOF), then each sheet's records between its BOF and EOF.
QByteArray biff8_workbook(const QVector<QPair<QString, QByteArray>> &sheets,
                          const QByteArray &globals = {});

// A compound file whose "Workbook" stream is `stream`, zero-padded to 4096
// bytes so that it sits in ordinary sectors rather than the mini stream.
QByteArray xls_package(const QByteArray &stream);

// The bytes with the 4-byte little-endian value at `at` replaced.
QByteArray with_u32_at(QByteArray bytes, int at, quint32 value);
