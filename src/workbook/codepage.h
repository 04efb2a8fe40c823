#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

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

// The Windows code page that a FONT record's character set stands for, as
// the spreadsheet applications read a BIFF5 workbook without a CODEPAGE
// record: 1251 for RUSSIAN_CHARSET (204), 936 for GB2312_CHARSET (134), and
// so for every set Windows names. Nothing for the ANSI, default and symbol
// sets (0, 1, 2), which name no code page of their own, and for numbers
// that are no character set.
std::optional<int> code_page_of_font_charset(int charset);
