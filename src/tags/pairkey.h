#pragma once

#include <QtGlobal>

// Two ints as one 64-bit hash key. Qt's hash of a 64-bit key folds its high
// half onto its low half, so (a << 32 | b) for small a and b lands in a few
// hundred buckets and a hash of grid indices or places turns quadratic. The
// bits are mixed first (MurmurHash3's finaliser, which is one-to-one, so
// distinct pairs stay distinct keys).
inline quint64 pair_key(qint32 a, qint32 b)
{
    quint64 key = (quint64(quint32(a)) << 32) | quint32(b);
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    key ^= key >> 33;
    return key;
}
