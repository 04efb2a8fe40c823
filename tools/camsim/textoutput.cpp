#include "textoutput.h"

#include <QSaveFile>

namespace camsim
{

TextOutput::~TextOutput()
{
    if (owned)
        std::fclose(file);
}

bool TextOutput::open(const QString &path, QString *error)
{
    if (path.isEmpty() || path == QLatin1String("-"))
        return true;
    FILE *opened = std::fopen(path.toLocal8Bit().constData(), "w");
    if (!opened) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    file = opened;
    owned = true;
    return true;
}

void TextOutput::write_line(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fflush(file);
}

void say(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

bool write_text_file(const QString &path, const QString &text, QString *error)
{
    if (path.isEmpty()) {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
        return true;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace camsim
