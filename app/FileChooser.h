#pragma once
// The window's file dialogs: each kind of file is looked for in the folder
// used last for it (kept in the settings store), else in the user's
// documents folder.

#include <QString>

class QSettings;
class QWidget;

class CFileChooser {
public:
    enum Kind { kConfiguration, kFirmware, kServiceHistory, kServiceReport };

    explicit CFileChooser(QSettings& settings) : m_settings(settings) {}

    // An existing file to open; empty when the technician cancels.
    QString ChooseOpenFile(QWidget* pParent, Kind eKind, const QString& filter, const QString& defaultSuffix = {});
    // A file to save to, the name proposed in the kind's folder; empty when
    // the technician cancels.
    QString ChooseSaveFile(QWidget* pParent, Kind eKind, const QString& filter, const QString& proposedName = {});
    QString StartFolder(Kind eKind) const;

private:
    QString Choose(QWidget* pParent, Kind eKind, const QString& filter, const QString& defaultSuffix, bool bOpen,
                   const QString& proposedName = {});

    QSettings& m_settings;
};
