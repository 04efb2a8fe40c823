#pragma once

#include <QtGlobal>

// One floor tag as the camera stores it: whole centimetres, millimetres and
// degrees, exactly as the operator typed them into the tag table.
struct TagRecord {
    qint32 id = 0;
    qint32 x_cm = 0;
    qint32 y_cm = 0;
    qint32 side_mm = 0;
    qint32 angle_deg = 0;

    friend bool operator==(const TagRecord &a, const TagRecord &b)
    {
        return a.id == b.id && a.x_cm == b.x_cm && a.y_cm == b.y_cm && a.side_mm == b.side_mm &&
               a.angle_deg == b.angle_deg;
    }
    friend bool operator!=(const TagRecord &a, const TagRecord &b)
    {
        return !(a == b);
    }
};
