#pragma once

#include "workbook/readresult.h"

#include <QXmlStreamReader>

inline QString document_type_refused()
{
    return QStringLiteral("document type declarations are not accepted");
}

// Workbook XML never carries a document type declaration. Refusing one
// outright means no entity of any kind, internal or external, is ever
// declared, let alone expanded.
inline QXmlStreamReader::TokenType read_next_safely(QXmlStreamReader &xml)
{
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::DTD) {
        xml.raiseError(document_type_refused());
        return QXmlStreamReader::Invalid;
    }
    return token;
}

// The refusal for a reader that stopped with an error in `part`, with the
// line the parser had reached so that the fault can be found in the file.
inline Refusal xml_refusal(const QXmlStreamReader &xml, const QString &part)
{
    const bool document_type = xml.error() == QXmlStreamReader::CustomError &&
                               xml.errorString() == document_type_refused();
    return Refusal{
        document_type ? RefusalKind::DocumentType : RefusalKind::Malformed,
        QStringLiteral("%1, line %2: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString())};
}

// Skips the rest of the current element, with the same refusal.
inline void skip_element_safely(QXmlStreamReader &xml)
{
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = read_next_safely(xml);
        if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
    }
}

// Moves to the next child element of the element being read, whose start tag
// left `depth` at 1. Returns false once that element has ended. A child the
// caller does not read to its end is descended into: the caller then raises
// `depth` itself, or skips the child with skip_element_safely.
inline bool next_child_element(QXmlStreamReader &xml, int &depth)
{
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = read_next_safely(xml);
        if (token == QXmlStreamReader::StartElement)
            return true;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return false;
}
