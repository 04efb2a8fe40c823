#pragma once

#include <QByteArray>
#include <QString>

// Decodes the 8-bit strings of a BIFF5 workbook, which follow the Windows
// code page its CODEPAGE record names (1252 when there is none, 936 for
// Chinese). Goes through the C library's iconv, which both toolkits share.
class CodePageDecoder
{
public:
    explicit CodePageDecoder(int code_page);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder &) = delete;
    CodePageDecoder &operator=(const CodePageDecoder &) = delete;

    // False when the C library knows no such code page: text then reads as
    // Latin-1.
    bool known() const
    {
        return handle != nullptr;
    }
    // Bytes that are no character of the code page become U+FFFD.
    QString decode(const char *bytes, int size) const;

private:
    void *handle = nullptr;
};
