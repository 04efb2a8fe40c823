#pragma once

#include <QString>
#include <optional>
#include <utility>

// Why a workbook was refused. The operator is only told that the file could
// not be opened; the kind and the reason go to the log, so that whoever
// reports a failed import can say what was wrong with the file.
enum class RefusalKind {
    Unreadable,    // the file could not be opened or read
    TooLarge,      // the file, or a part inflated from it, is past its size limit
    BrokenArchive, // the ZIP archive or one of its entries is damaged or encrypted
    NotAWorkbook,  // content of no format the import knows
    Malformed,     // a known format whose content breaks its own rules
    DocumentType,  // XML carrying a document type declaration
    TooManyCells,  // more cells than kMaxSheetCells
    CellTooLong,   // a cell text longer than kMaxCellTextLength
    OutsideSheet,  // a cell beyond the largest sheet
    CompoundFile,  // the .xls container failed its checks
    Biff,          // the .xls workbook records failed their checks
};

struct Refusal {
    RefusalKind kind = RefusalKind::Malformed;
    // Short English text naming the part, record or value at fault.
    QString reason;
};

inline const char *refusal_kind_name(RefusalKind kind)
{
    switch (kind) {
    case RefusalKind::Unreadable:
        return "unreadable file";
    case RefusalKind::TooLarge:
        return "too large";
    case RefusalKind::BrokenArchive:
        return "broken archive";
    case RefusalKind::NotAWorkbook:
        return "not a workbook";
    case RefusalKind::Malformed:
        return "malformed workbook";
    case RefusalKind::DocumentType:
        return "document type declaration";
    case RefusalKind::TooManyCells:
        return "too many cells";
    case RefusalKind::CellTooLong:
        return "cell too long";
    case RefusalKind::OutsideSheet:
        return "cell outside the largest sheet";
    case RefusalKind::CompoundFile:
        return "compound file refused";
    case RefusalKind::Biff:
        return "BIFF records refused";
    }
    return "refused";
}

// Either what was read or the refusal that stopped the reading. It reads like
// an optional, and a step that cannot go on hands the reason of the step
// below it up unchanged: "if (!part) return part.refusal();".
template <typename T> class ReadResult
{
public:
    ReadResult(T value) : content(std::move(value)) {}
    ReadResult(Refusal refusal) : why(std::move(refusal)) {}

    explicit operator bool() const
    {
        return content.has_value();
    }
    T &operator*()
    {
        return *content;
    }
    const T &operator*() const
    {
        return *content;
    }
    T *operator->()
    {
        return &*content;
    }
    const T *operator->() const
    {
        return &*content;
    }

    // Meaningful only when nothing was read.
    const Refusal &refusal() const
    {
        return why;
    }

private:
    std::optional<T> content;
    Refusal why;
};
