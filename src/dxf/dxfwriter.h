#pragma once

#include "dxf/dxfdrawing.h"

#include <QString>
#include <QStringList>

// Writes an ASCII DXF drawing (AutoCAD R12, which every CAD program reads)
// through dxflib: the unit as $INSUNITS, the layers, each block as a closed
// polyline, and the block references with their attributes. The file is
// replaced only once it is written whole. False, with the reason in
// `error`, when it cannot be written.
bool write_dxf_file(const QString &path, int units, const QStringList &layers,
                    const QVector<DxfOutlineBlock> &blocks,
                    const QVector<DxfReferenceOut> &references, QString *error);
