#include "app/MainMenu.h"

#include "app/Controls.h"
#include "app/UiText.h"
#include "common/Language.h"

#include <QMenuBar>

namespace {

QAction* AddCommand(QMenu* pMenu, int nId, const char* szEnglish, const char* szGerman, const CommandHandler& onCommand)
{
    QAction* pAction = pMenu->addAction(UiText(szEnglish, szGerman));
    pAction->setObjectName(ControlName(nId));
    QObject::connect(pAction, &QAction::triggered, pMenu, [onCommand, nId] { onCommand(nId); });
    return pAction;
}

} // namespace

QMenuBar* BuildMenuBar(QWidget* pWindow, int nLanguage, bool bKeyPad, const CommandHandler& onCommand)
{
    QMenuBar* pMenuBar = new QMenuBar(pWindow);
    pMenuBar->setObjectName(nLanguage == kLanguageEnglish ? QStringLiteral("menu108") : QStringLiteral("menu109"));
    QMenu* pProgram = pMenuBar->addMenu(QStringLiteral("Fluxa USB"));
    AddCommand(pProgram, kCmdAbout, "About Fluxa USB", "Über Fluxa USB", onCommand);
    pProgram->addSeparator();
    QMenu* pLanguage = pProgram->addMenu(UiText("Language", "Sprache"));
    QAction* pGerman = AddCommand(pLanguage, kCmdGerman, "German", "Deutsch", onCommand);
    QAction* pEnglish = AddCommand(pLanguage, kCmdEnglish, "English", "Englisch", onCommand);
    pProgram->addSeparator();
    QMenu* pSettings = pProgram->addMenu(UiText("Settings", "Einstellungen"));
    AddCommand(pSettings, kCmdBusAdapter, "Bus adapter", "Bus Adapter", onCommand);
    pSettings->addSeparator();
    QAction* pKeyPad = AddCommand(pSettings, kCmdKeyPad, "Show key pad", "Nummerntastatur einblenden", onCommand);
    pProgram->addSeparator();
    AddCommand(pProgram, kCmdQuit, "Quit", "Beenden", onCommand);
    QMenu* pConfiguration = pMenuBar->addMenu(UiText("Configuration", "Konfiguration"));
    AddCommand(pConfiguration, kCmdNew, "New ...", "Neu ...", onCommand);
    AddCommand(pConfiguration, kCmdOpen, "Open ...", "Öffnen ...", onCommand);
    AddCommand(pConfiguration, kCmdSaveAs, "Save as ...", "Speichern unter ...", onCommand);
    pConfiguration->addSeparator();
    AddCommand(pConfiguration, kCmdServiceHistory, "Service history ...", "Servicehistorie ...", onCommand);
    AddCommand(pConfiguration, kCmdSaveServiceReport, "Save service report ...", "Servicebericht speichern ...", onCommand);
    AddCommand(pConfiguration, kCmdTechnician, "Technician ...", "Techniker ...", onCommand);
    for (QAction* pCheckable : {pGerman, pEnglish, pKeyPad})
        pCheckable->setCheckable(true);
    pKeyPad->setChecked(bKeyPad);
    (g_nLanguage == kLanguageEnglish ? pEnglish : pGerman)->setChecked(true);
    return pMenuBar;
}

QMenu* BuildContextMenu(QWidget* pWindow, const CommandHandler& onCommand)
{
    auto* pMenu = new QMenu(pWindow);
    pMenu->setObjectName(QStringLiteral("systemMenu"));
    pMenu->addSeparator();
    AddCommand(pMenu, kCmdSystemInfo, "Info about Fluxa USB", "Info über Fluxa USB", onCommand);
    return pMenu;
}
