#include "app/filedialogs.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QUrl>
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QMimeDatabase>
#endif

namespace
{

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
// Qt 6's provider tells a file's type and icon by reading its first bytes;
// this one goes by the name alone, as Qt 5's did.
class NameOnlyIconProvider : public QFileIconProvider
{
public:
    QIcon icon(IconType type) const override
    {
        return QFileIconProvider::icon(type);
    }

    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::icon(Folder);
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        const QIcon themed = QIcon::fromTheme(mime.iconName());
        return themed.isNull() ? QFileIconProvider::icon(File) : themed;
    }

    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};
#endif

QString ask_file_name(QWidget *parent, const QString &caption, const QString &directory,
                      const QString &filter, QFileDialog::FileMode mode,
                      QFileDialog::AcceptMode accept_mode)
{
    QFileDialog dialog(parent, caption, directory, filter);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    NameOnlyIconProvider icons;
    dialog.setIconProvider(&icons);
#endif
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept_mode);
    dialog.setSupportedSchemes(QStringList(QStringLiteral("file")));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QUrl chosen = dialog.selectedUrls().value(0);
    return chosen.isLocalFile() || chosen.isEmpty() ? chosen.toLocalFile() : chosen.toString();
}

} // namespace

QString ask_open_file_name(QWidget *parent, const QString &caption, const QString &directory,
                           const QString &filter)
{
    return ask_file_name(parent, caption, directory, filter, QFileDialog::ExistingFile,
                         QFileDialog::AcceptOpen);
}

QString ask_save_file_name(QWidget *parent, const QString &caption, const QString &directory,
                           const QString &filter)
{
    return ask_file_name(parent, caption, directory, filter, QFileDialog::AnyFile,
                         QFileDialog::AcceptSave);
}
