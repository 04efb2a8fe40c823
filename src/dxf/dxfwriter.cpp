#include "dxf/dxfwriter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <dl_dxf.h>
#include <dl_writer_ascii.h>

#include <memory>

namespace
{

constexpr int kWhite = 7;
constexpr int kByLayer = 256;
constexpr int kAttributeFollows = 1;
constexpr int kInvisibleAttribute = 1;
constexpr int kClosedPolyline = 1;
// Centred horizontally and vertically on the insertion point.
constexpr int kCentre = 1;
constexpr int kMiddle = 2;

std::string utf8(const QString &text)
{
    return text.toStdString();
}

void write_tables(DL_Dxf &dxf, DL_WriterA &dw, const QStringList &layers)
{
    dw.sectionTables();
    dw.tableLinetypes(1);
    dxf.writeLinetype(dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    dw.tableEnd();
    dw.tableLayers(int(layers.size()) + 1);
    dxf.writeLayer(dw, DL_LayerData("0", 0), DL_Attributes("", kWhite, 0, "CONTINUOUS", 1.0));
    for (const QString &layer : layers)
        dxf.writeLayer(dw, DL_LayerData(utf8(layer), 0),
                       DL_Attributes("", kWhite, 0, "CONTINUOUS", 1.0));
    dw.tableEnd();
    dw.tableStyle(1);
    dxf.writeStyle(dw, DL_StyleData("STANDARD", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
    dw.tableEnd();
    dw.sectionEnd();
}

void write_blocks(DL_Dxf &dxf, DL_WriterA &dw, const QVector<DxfOutlineBlock> &blocks)
{
    dw.sectionBlocks();
    for (const DxfOutlineBlock &block : blocks) {
        const std::string name = utf8(block.name);
        dxf.writeBlock(dw, DL_BlockData(name, 0, 0.0, 0.0, 0.0));
        dxf.writePolyline(dw, DL_PolylineData(int(block.outline.size()), 0, 0, kClosedPolyline),
                          DL_Attributes(utf8(block.layer), kByLayer, 0, "BYLAYER", 1.0));
        for (const QPointF &p : block.outline)
            dxf.writeVertex(dw, DL_VertexData(p.x(), p.y(), 0.0, 0.0));
        dxf.writePolylineEnd(dw);
        dxf.writeEndBlock(dw, name);
    }
    dw.sectionEnd();
}

void write_references(DL_Dxf &dxf, DL_WriterA &dw, const QVector<DxfReferenceOut> &references)
{
    dw.sectionEntities();
    for (const DxfReferenceOut &ref : references) {
        dxf.writeInsert(dw,
                        DL_InsertData(utf8(ref.block), ref.x, ref.y, 0.0, 1.0, 1.0, 1.0,
                                      ref.rotation_deg, 1, 1, 0.0, 0.0),
                        DL_Attributes(utf8(ref.layer), kByLayer, 0, "BYLAYER", 1.0));
        if (ref.attributes.isEmpty())
            continue;
        dw.dxfInt(66, kAttributeFollows);
        for (const DxfAttributeOut &attribute : ref.attributes) {
            dxf.writeAttribute(dw,
                               DL_AttributeData(ref.x, ref.y, 0.0, ref.x, ref.y, 0.0,
                                                attribute.height, 1.0, 0, kCentre, kMiddle,
                                                utf8(attribute.tag), utf8(attribute.value),
                                                "STANDARD", 0.0),
                               DL_Attributes(utf8(attribute.layer), kByLayer, 0, "BYLAYER", 1.0));
            if (!attribute.visible)
                dw.dxfInt(70, kInvisibleAttribute);
        }
        dw.entity("SEQEND");
        dw.dxfString(8, utf8(ref.layer));
    }
    dw.sectionEnd();
}

} // namespace

bool write_dxf_file(const QString &path, int units, const QStringList &layers,
                    const QVector<DxfOutlineBlock> &blocks,
                    const QVector<DxfReferenceOut> &references, QString *error)
{
    // dxflib writes to a path of its own choosing; the drawing goes there
    // first and replaces the file only once it is whole.
    QTemporaryDir scratch;
    const QString draft = scratch.filePath(QStringLiteral("drawing.dxf"));
    {
        DL_Dxf dxf;
        std::unique_ptr<DL_WriterA> dw(
            dxf.out(QFile::encodeName(draft).constData(), DL_Codes::AC1009));
        if (!scratch.isValid() || !dw) {
            *error = QStringLiteral("no room for a scratch file");
            return false;
        }
        dxf.writeHeader(*dw);
        dw->dxfString(9, "$INSUNITS");
        dw->dxfInt(70, units);
        dw->sectionEnd();
        write_tables(dxf, *dw, layers);
        write_blocks(dxf, *dw, blocks);
        write_references(dxf, *dw, references);
        dw->dxfEOF();
        dw->close();
    }
    QFile written(draft);
    QSaveFile out(path);
    if (!written.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    const QByteArray bytes = written.readAll();
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
