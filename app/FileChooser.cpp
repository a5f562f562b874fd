#include "app/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString FolderKey(CFileChooser::Kind eKind)
{
    switch (eKind) {
    case CFileChooser::kFirmware:
        return QStringLiteral("Folders/Firmware");
    case CFileChooser::kServiceHistory:
        return QStringLiteral("Folders/ServiceHistory");
    case CFileChooser::kServiceReport:
        return QStringLiteral("Folders/ServiceReport");
    default:
        return QStringLiteral("Folders/Configuration");
    }
}

} // namespace

QString CFileChooser::StartFolder(Kind eKind) const
{
    const QString folder = m_settings.value(FolderKey(eKind)).toString();
    // A folder removed since is no place to start.
    if (!folder.isEmpty() && QDir(folder).exists())
        return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

QString CFileChooser::ChooseOpenFile(QWidget* pParent, Kind eKind, const QString& filter, const QString& defaultSuffix)
{
    return Choose(pParent, eKind, filter, defaultSuffix, true);
}

QString CFileChooser::ChooseSaveFile(QWidget* pParent, Kind eKind, const QString& filter, const QString& proposedName)
{
    return Choose(pParent, eKind, filter, QString(), false, proposedName);
}

QString CFileChooser::Choose(QWidget* pParent, Kind eKind, const QString& filter, const QString& defaultSuffix, bool bOpen,
                             const QString& proposedName)
{
    QFileDialog dialog(pParent, QString(), StartFolder(eKind), filter);
    dialog.setAcceptMode(bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!proposedName.isEmpty())
        dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().constFirst();
    m_settings.setValue(FolderKey(eKind), QFileInfo(path).absolutePath());
    return path;
}
