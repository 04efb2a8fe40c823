#pragma once

#include "workbook/readresult.h"

#include <QByteArray>
#include <QVector>

// Record types of the BIFF5/BIFF8 workbook stream that the reader looks at.
namespace biff
{
constexpr quint16 kFormula = 0x0006;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kDateMode = 0x0022;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kFont = 0x0031;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kMulRk = 0x00BD;
constexpr quint16 kRString = 0x00D6;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kDimensions = 0x0200;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kBoolErr = 0x0205;
constexpr quint16 kString = 0x0207;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kBof = 0x0809;
constexpr int kMaxRecordBytes = 8224;
} // namespace biff

// Where one record's body lies in the stream.
struct BiffRecord {
    int offset = 0; // of the record header
    quint16 type = 0;
    quint16 size = 0;
    int body() const
    {
        return offset + 4;
    }
};

struct BiffRecords {
    QVector<BiffRecord> records;
    // The stream ended inside a record, which is left out.
    bool cut_short = false;
};

// Every whole record of the stream. Refused when one declares more than the
// largest record BIFF allows; a last record that the stream cuts short is
// left out and told.
ReadResult<BiffRecords> split_biff_records(const QByteArray &stream);

// True when the bytes start with the BOF record of a BIFF5 or BIFF8 workbook
// stream, as a workbook stored without its compound-file envelope does.
bool is_biff_stream(const QByteArray &bytes);
