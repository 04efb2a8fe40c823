#include "workbook/codepage.h"

#include <QVector>
#include <cerrno>
#include <iconv.h>

namespace
{

// The iconv name of a Windows code page number.
QByteArray iconv_name(int code_page)
{
    switch (code_page) {
    case 367:
        return "ASCII";
    case 10000:
        return "MACINTOSH";
    case 1200:
        return "UTF-16LE";
    case 65001:
        return "UTF-8";
    default:
        return "CP" + QByteArray::number(code_page);
    }
}

} // namespace

CodePageDecoder::CodePageDecoder(int code_page)
{
    const iconv_t opened = iconv_open("UTF-16LE", iconv_name(code_page).constData());
    if (opened != iconv_t(-1))
        handle = opened;
}

CodePageDecoder::~CodePageDecoder()
{
    if (handle)
        iconv_close(iconv_t(handle));
}

QString CodePageDecoder::decode(const char *bytes, int size) const
{
    if (!handle)
        return QString::fromLatin1(bytes, size);
    iconv(iconv_t(handle), nullptr, nullptr, nullptr, nullptr);
    // No code page makes more than one UTF-16 unit of a byte but for the
    // rare characters outside the basic plane, which take two.
    QVector<char16_t> out(2 * size + 2);
    char *in = const_cast<char *>(bytes);
    size_t in_left = size_t(size);
    char *to = reinterpret_cast<char *>(out.data());
    size_t to_left = size_t(out.size()) * 2;
    while (in_left > 0) {
        if (iconv(iconv_t(handle), &in, &in_left, &to, &to_left) != size_t(-1))
            break;
        if (errno == E2BIG || to_left < 2)
            break;
        // A byte that starts no character, or a character cut off at the end.
        *reinterpret_cast<char16_t *>(to) = u'\uFFFD';
        to += 2;
        to_left -= 2;
        ++in;
        --in_left;
    }
    const int units = int((to - reinterpret_cast<char *>(out.data())) / 2);
    return QString(reinterpret_cast<const QChar *>(out.constData()), units);
}

std::optional<int> code_page_of_font_charset(int charset)
{
    // The character sets of Windows' LOGFONT, by the code page each names.
    switch (charset) {
    case 77: // MAC_CHARSET
        return 10000;
    case 128: // SHIFTJIS_CHARSET
        return 932;
    case 129: // HANGEUL_CHARSET
        return 949;
    case 130: // JOHAB_CHARSET
        return 1361;
    case 134: // GB2312_CHARSET
        return 936;
    case 136: // CHINESEBIG5_CHARSET
        return 950;
    case 161: // GREEK_CHARSET
        return 1253;
    case 162: // TURKISH_CHARSET
        return 1254;
    case 163: // VIETNAMESE_CHARSET
        return 1258;
    case 177: // HEBREW_CHARSET
        return 1255;
    case 178: // ARABIC_CHARSET
        return 1256;
    case 186: // BALTIC_CHARSET
        return 1257;
    case 204: // RUSSIAN_CHARSET
        return 1251;
    case 222: // THAI_CHARSET
        return 874;
    case 238: // EASTEUROPE_CHARSET
        return 1250;
    case 255: // OEM_CHARSET: the DOS code page of the United States
        return 437;
    default:
        return std::nullopt;
    }
}
