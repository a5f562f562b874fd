#include "app/NexaroApp.h"

#include "app/AppGlobals.h"
#include "app/NexaroDlg.h"
#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QApplication>
#include <QSettings>

#include <memory>

QSettings* OpenSettingsStore()
{
    return new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("VELMOR"), QCoreApplication::applicationName());
}

void ReadStoredSettings(QSettings& settings)
{
    const int nLanguage = settings.value(QStringLiteral("Settings/Language"), kLanguageGerman).toInt();
    g_nLanguage = nLanguage < kLanguageGerman || nLanguage > kLanguageEnglish ? kLanguageGerman : nLanguage;
    g_nServiceCode = settings.value(QStringLiteral("Settings/DontChange"), 0).toUInt();
    const int nKeyPad = settings.value(QStringLiteral("Settings/KeyPad"), 0).toInt();
    g_bShowKeyPad = nKeyPad < 0 || nKeyPad > 1 ? 0 : nKeyPad;
}

std::string StartMainWindow(CNexaroDlg& dialog, QSettings& settings)
{
    ReadStoredSettings(settings);
    std::string strIgnored;
    dialog.SetDefaultConfigPath(strIgnored);
    const std::string strStartError = dialog.OnInitDialog();
    dialog.show();
    return strStartError;
}

int CNexaroApp::Run(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The device link lives longer than the window: its monitors post to it.
    CVelmorTPExt link;
    std::unique_ptr<QSettings> pSettings(OpenSettingsStore());
    CNexaroDlg dialog(*pSettings, link);
    StartMainWindow(dialog, *pSettings);
    return application.exec();
}
