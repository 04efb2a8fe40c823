#include "dxf/dxfreader.h"

#include <QFile>
#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <sstream>
#include <string>

namespace
{

// dxflib reads a line with istream::getline into a buffer of this many
// characters; a longer line sets the stream's fail bit without reaching
// its end, and dxflib then reads empty lines for ever.
constexpr int kLongestLine = DL_DXF_MAXLINE - 1;
constexpr char kBinarySignature[] = "AutoCAD Binary DXF";

struct Refused {
    QString reason;
};

// The drawing's group pairs, each code and value as dxflib will read them.
class GroupPairs
{
public:
    explicit GroupPairs(const QByteArray &bytes) : bytes(bytes) {}

    // The next pair, or false at the end. Throws when a line is too long or
    // a group code is no number.
    bool next(int &code, QByteArray &value)
    {
        QByteArray code_line;
        if (!line(code_line) || !line(value))
            return false;
        bool number = false;
        code = code_line.trimmed().toInt(&number);
        if (!number)
            throw Refused{QStringLiteral("line %1: group code \"%2\" is no number")
                              .arg(line_number - 1)
                              .arg(QString::fromLatin1(code_line.left(20).toPercentEncoding()))};
        return true;
    }

private:
    bool line(QByteArray &out)
    {
        if (at >= bytes.size())
            return false;
        int end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        if (end - at > kLongestLine)
            throw Refused{QStringLiteral("line %1 is longer than %2 characters")
                              .arg(line_number)
                              .arg(kLongestLine)};
        out = bytes.mid(at, end - at);
        if (out.endsWith('\r'))
            out.chop(1);
        at = end + 1;
        ++line_number;
        return true;
    }

    const QByteArray &bytes;
    int at = 0;
    int line_number = 1;
};

// The part of the drawing the tag map reads, as dxflib reads it: every
// HEADER variable, and the ENTITIES section's INSERT, ATTRIB and SEQEND.
std::string readable_part(const QByteArray &bytes)
{
    std::string out;
    out.reserve(size_t(bytes.size() / 4));
    auto put = [&out](int code, const QByteArray &value) {
        out += std::to_string(code);
        out += '\n';
        out.append(value.constData(), size_t(value.size()));
        out += '\n';
    };
    GroupPairs pairs(bytes);
    int code = 0;
    QByteArray value;
    QByteArray section;
    bool in_section = false;
    bool keep_entity = false;
    int entities = 0;
    while (pairs.next(code, value)) {
        const QByteArray word = value.trimmed();
        if (code == 0 && word == "SECTION") {
            in_section = true;
            section.clear();
            continue;
        }
        if (in_section && section.isEmpty() && code == 2) {
            section = word;
            if (section == "HEADER" || section == "ENTITIES")
                put(0, "SECTION"), put(2, section);
            continue;
        }
        if (code == 0 && word == "ENDSEC") {
            if (section == "HEADER" || section == "ENTITIES")
                put(0, "ENDSEC");
            in_section = false;
            section.clear();
            keep_entity = false;
            continue;
        }
        if (code == 0 && word == "EOF")
            break;
        if (section == "HEADER") {
            put(code, value);
        } else if (section == "ENTITIES") {
            if (code == 0) {
                if (++entities > kMaxDxfEntities)
                    throw Refused{QStringLiteral("more than %1 entities").arg(kMaxDxfEntities)};
                keep_entity = word == "INSERT" || word == "ATTRIB" || word == "SEQEND";
            }
            if (keep_entity)
                put(code, value);
        }
    }
    put(0, "EOF");
    return out;
}

QString text_of(const std::string &text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}

// Collects the block references and the units as dxflib reports them.
class Collector : public DL_CreationAdapter
{
public:
    void addInsert(const DL_InsertData &data) override
    {
        DxfInsert insert;
        insert.block = text_of(data.name);
        insert.layer = text_of(getAttributes().getLayer());
        insert.x = data.ipx;
        insert.y = data.ipy;
        insert.rotation_deg = data.angle;
        // One without attributes is dropped when the next comes, so that a
        // plan full of furniture holds no more than one of them.
        if (!drawing.inserts.isEmpty() && drawing.inserts.last().attributes.isEmpty())
            drawing.inserts.last() = insert;
        else
            drawing.inserts.append(insert);
        open_insert = true;
    }

    void addAttribute(const DL_AttributeData &data) override
    {
        if (!open_insert)
            return;
        DxfInsert &insert = drawing.inserts.last();
        if (insert.attributes.isEmpty() && ++attributed > kMaxDxfInserts)
            throw Refused{QStringLiteral("more than %1 block references with attributes")
                              .arg(kMaxDxfInserts)};
        insert.attributes.insert(text_of(data.tag).toUpper(), text_of(data.text));
    }

    void endSequence() override
    {
        open_insert = false;
    }

    void setVariableInt(const std::string &key, int value, int) override
    {
        if (key == "$INSUNITS")
            drawing.units = value;
    }

    DxfDrawing drawing;

private:
    bool open_insert = false;
    int attributed = 0;
};

} // namespace

bool looks_like_dxf(const QByteArray &head)
{
    if (head.startsWith(kBinarySignature))
        return true;
    // Comments (999) may come first; the first group proper opens a section.
    QList<QByteArray> lines = head.left(4096).split('\n');
    for (int k = 0; k + 1 < lines.size(); k += 2) {
        const QByteArray code = lines.at(k).trimmed();
        if (code == "999")
            continue;
        return code == "0" && lines.at(k + 1).trimmed() == "SECTION";
    }
    return false;
}

DxfRead read_dxf_bytes(const QByteArray &bytes)
{
    DxfRead read;
    if (bytes.size() > kMaxDxfBytes) {
        read.refusal = QStringLiteral("larger than %1 bytes").arg(kMaxDxfBytes);
        return read;
    }
    if (bytes.startsWith(kBinarySignature)) {
        read.refusal = QStringLiteral("a binary DXF file: save the drawing as ASCII DXF");
        return read;
    }
    if (!looks_like_dxf(bytes)) {
        read.refusal = QStringLiteral("not a DXF file");
        return read;
    }
    try {
        std::istringstream stream(readable_part(bytes));
        Collector collector;
        DL_Dxf dxf;
        dxf.in(stream, &collector);
        read.drawing = std::move(collector.drawing);
    } catch (const Refused &refused) {
        read.refusal = refused.reason;
        return read;
    }
    // Block references without attributes are furniture, doors, symbols.
    QVector<DxfInsert> attributed;
    for (DxfInsert &insert : read.drawing.inserts)
        if (!insert.attributes.isEmpty())
            attributed.append(std::move(insert));
    read.drawing.inserts = std::move(attributed);
    read.ok = true;
    return read;
}

DxfRead read_dxf_file(const QString &path)
{
    QFile file(path);
    DxfRead read;
    if (!file.open(QIODevice::ReadOnly)) {
        read.refusal = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return read;
    }
    if (file.size() > kMaxDxfBytes) {
        read.refusal = QStringLiteral("larger than %1 bytes").arg(kMaxDxfBytes);
        return read;
    }
    return read_dxf_bytes(file.read(kMaxDxfBytes + 1));
}
