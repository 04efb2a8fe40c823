#pragma once

#include <QString>

namespace report
{

// Qt's PDF engine tells a reader which character each glyph stands for by
// the lowest code point the font maps to it. CJK fonts draw a radical (⼝
// U+2F1D, ⻚ U+2EDA) and its ideograph (口, 页) with one glyph, so the text
// of 串口, 页 and 角度 would copy as radicals and not be found by a search.
// Rewrites the PDF at `path` in place so that such glyphs stand for the
// ideograph: only code points in its uncompressed character maps change,
// each to one of the same length, so nothing else in the file moves. False
// when the file cannot be read or written.
bool map_radicals_to_ideographs(const QString &path, const QString &font_family);

} // namespace report
