// Feeds arbitrary bytes to the DXF reader the import uses for drawings:
// its checks of lines and group codes, the cut-down drawing handed to
// dxflib, and the collection of block references and their attributes.
#include "dxf/dxfreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(kMaxDxfBytes))
        return 0;
    const DxfRead read =
        read_dxf_bytes(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    if (read.ok) {
        // Only block references with attributes are kept, and never more
        // than the bound.
        if (read.drawing.inserts.size() > kMaxDxfInserts)
            __builtin_trap();
        for (const DxfInsert &insert : read.drawing.inserts)
            if (insert.attributes.isEmpty())
                __builtin_trap();
    }
    return 0;
}
