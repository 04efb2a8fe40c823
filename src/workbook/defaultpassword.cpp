#include "workbook/defaultpassword.h"

#include <QtEndian>

QByteArray default_password_utf16()
{
    const QString password = QStringLiteral("VelvetSweatshop");
    QByteArray out;
    for (QChar c : password) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

Refusal needs_password(RefusalKind kind, const QString &why)
{
    return Refusal{kind, QStringLiteral("the workbook is encrypted with a password (%1)").arg(why)};
}

QByteArray le32(quint32 value)
{
    QByteArray out(4, 0);
    qToLittleEndian<quint32>(value, out.data());
    return out;
}
