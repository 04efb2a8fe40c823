#pragma once

#include "dxf/dxfdrawing.h"

#include <QByteArray>
#include <QString>

// Larger files are refused before they are read, as workbooks are.
constexpr qint64 kMaxDxfBytes = 64 * 1024 * 1024;
// More block references than this, or more entities of any kind than
// kMaxDxfEntities, are refused while reading: a tag map has at most 20000
// rows, a drawing a hundred times that is hostile or a mistake.
constexpr int kMaxDxfInserts = 20000;
constexpr int kMaxDxfEntities = 2'000'000;

struct DxfRead {
    bool ok = false;
    DxfDrawing drawing;
    QString refusal; // short English text, when !ok
};

// Whether the bytes start as an ASCII or a binary DXF file does: the
// import tells a drawing by its content, not its name.
bool looks_like_dxf(const QByteArray &head);

// The model space's block references and the drawing's units, read by
// dxflib. What dxflib is handed is checked and cut down first: every line
// within dxflib's line length (a longer one makes it loop for good), group
// codes that are numbers, only the HEADER section's variables and the
// ENTITIES section's INSERT, ATTRIB and SEQEND entities (nothing of the
// entities whose declared counts dxflib allocates from), and the bounds
// above.
DxfRead read_dxf_bytes(const QByteArray &bytes);
DxfRead read_dxf_file(const QString &path);
