#include "app/NexaroApp.h"

#include "app/AppGlobals.h"
#include "app/NexaroDlg.h"
#include "app/ToolVersion.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>
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

namespace {

// The program's only options; the manual page is made from this text.
constexpr const char* kHelpText =
    "Usage: fluxa-usb [--demo]\n"
    "Service, configuration and diagnostic tool for electronic sanitary fittings: identifies the fitting on the\n"
    "USB bus adapter, reads and writes its settings, saves and loads them as XML files, shows its operating data\n"
    "and error history, switches its valve and, in service mode, programs its firmware.\n"
    "\n"
    "Options:\n"
    "  --demo       run on the simulated bus with a simulated basin faucet, without an adapter\n"
    "  -h, --help   show this help\n"
    "  --version    show the version\n"
    "\n"
    "The settings are kept per user (on Linux in ~/.config/VELMOR/fluxa-usb.conf). The product definitions\n"
    "are read from \"Config\" beside the program or from the package's data folder.\n";

} // namespace

int CNexaroApp::Run(int argc, char* argv[])
{
    // Read before the window system is needed, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string strArgument = argv[i];
        if (strArgument == "-h" || strArgument == "--help") {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (strArgument == "--version") {
            std::printf("fluxa-usb %d.%02d\n", CToolVersion::kMajor, CToolVersion::kMinor);
            return 0;
        }
        std::string strError;
        if (strArgument == "--demo" && !UseDemoBus(strError)) {
            std::fprintf(stderr, "fluxa-usb: %s\n", strError.c_str());
            return 1;
        }
    }
    QApplication application(argc, argv);
    // The device link lives longer than the window: its monitors post to it.
    CVelmorTPExt link;
    std::unique_ptr<QSettings> pSettings(OpenSettingsStore());
    CNexaroDlg dialog(*pSettings, link);
    StartMainWindow(dialog, *pSettings);
    return application.exec();
}
