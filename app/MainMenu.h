#pragma once
// The main window's menus: the menu bar of one language and the context
// menu that stands in for the system menu. Every item carries its command
// id as object name and reports it to the window.

#include <QObject>

#include <functional>

class QMenu;
class QMenuBar;
class QWidget;

// Menu and command ids.
enum MainCommand {
    kCmdSystemInfo = 16,
    kCmdBusAdapter = 1070,
    kCmdGerman = 1071,
    kCmdEnglish = 1073,
    kCmdAbout = 1075,
    kCmdNew = 1048,
    kCmdQuit = 1054,
    kCmdSaveAs = 1058,
    kCmdOpen = 1093,
    kCmdKeyPad = 1255,
    kCmdServiceHistory = 1502,
    kCmdTechnician = 1503,
    kCmdSaveServiceReport = 1504,
};

using CommandHandler = std::function<void(int nCommand)>;

// The menu bar in the language given ("menu108" English, "menu109" German),
// with the language in force and the key pad setting checked.
QMenuBar* BuildMenuBar(QWidget* pWindow, int nLanguage, bool bKeyPad, const CommandHandler& onCommand);
// This platform has no system menu: its "Info about" item lives in the
// window's context menu, made anew with each language.
QMenu* BuildContextMenu(QWidget* pWindow, const CommandHandler& onCommand);
