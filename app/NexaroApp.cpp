#include "app/NexaroApp.h"

#include "app/AppGlobals.h"
#include "app/NexaroDlg.h"
#include "app/ToolVersion.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "devicelink/AdapterPort.h"
#include "devicelink/VelmorTPExt.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>
#include <memory>

namespace {
// --port or --device given: the stored choice does not count for this run.
bool g_bPortFromCommandLine = false;
} // namespace

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
    if (!g_bPortFromCommandLine) {
        CAdapterPortChoice choice;
        // An unknown value leaves auto.
        ParseAdapterPortKind(settings.value(QLatin1String(kAdapterPortKey)).toString().toStdString(), choice.eKind);
        SetAdapterPortChoice(choice);
    }
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
    "Usage: fluxa-usb [--demo] [--port auto|d2xx|serial] [--device <path>]\n"
    "Service, configuration and diagnostic tool for electronic sanitary fittings: identifies the fitting on the\n"
    "USB bus adapter, reads and writes its settings, saves and loads them as XML files, shows its operating data\n"
    "and error history, switches its valve and, in service mode, programs its firmware.\n"
    "\n"
    "Options:\n"
    "  --demo       run on the simulated bus with a simulated basin faucet, without an adapter\n"
    "  --port auto|d2xx|serial\n"
    "               how the bus adapter is reached: the vendor's D2XX library or the kernel's serial driver\n"
    "               (default: the stored choice, else auto: serial when the kernel's driver holds a bus\n"
    "               adapter, else D2XX)\n"
    "  --device <path>\n"
    "               the serial device of the bus adapter (implies --port serial)\n"
    "  -h, --help   show this help\n"
    "  --version    show the version\n"
    "\n"
    "The settings are kept per user (on Linux in ~/.config/VELMOR/fluxa-usb.conf). The product definitions\n"
    "are read from \"Config\" beside the program or from the package's data folder.\n";

// --port and --device from the arguments at i (which they may consume);
// false with the message on a wrong one.
bool TakePortOption(int argc, char* argv[], int& i, CAdapterPortChoice& choice, std::string& strError)
{
    const std::string strOption = argv[i];
    if (i + 1 >= argc) {
        strError = strOption + " needs a value";
        return false;
    }
    const std::string strValue = argv[++i];
    if (strOption == "--device") {
        choice.eKind = choice.eKind == EAdapterPortKind::D2xx ? choice.eKind : EAdapterPortKind::Serial;
        choice.strDevicePath = strValue;
    } else if (!ParseAdapterPortKind(strValue, choice.eKind)) {
        strError = "--port takes auto, d2xx or serial";
        return false;
    }
    if (choice.eKind == EAdapterPortKind::D2xx && !choice.strDevicePath.empty())
        strError = "--device names a serial device; it does not go with --port d2xx";
    else if (choice.eKind == EAdapterPortKind::Serial && !HasSerialAdapterPort())
        strError = "--port serial is not available on this system";
    return strError.empty();
}

} // namespace

int CNexaroApp::Run(int argc, char* argv[])
{
    CAdapterPortChoice portChoice;
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
        if ((strArgument == "--port" || strArgument == "--device") && !TakePortOption(argc, argv, i, portChoice, strError)) {
            std::fprintf(stderr, "fluxa-usb: %s\n", strError.c_str());
            return 2;
        }
        g_bPortFromCommandLine = g_bPortFromCommandLine || strArgument == "--port" || strArgument == "--device";
    }
    if (g_bPortFromCommandLine)
        SetAdapterPortChoice(portChoice);
    QApplication application(argc, argv);
    // The device link lives longer than the window: its monitors post to it.
    CVelmorTPExt link;
    std::unique_ptr<QSettings> pSettings(OpenSettingsStore());
    CNexaroDlg dialog(*pSettings, link);
    StartMainWindow(dialog, *pSettings);
    return application.exec();
}
