#pragma once
// The program's start: the settings store, the stored settings, the
// product definition directory and the main window; the program ends when
// the main window closes.

#include <string>

class QSettings;

// The per-user settings store: organisation "VELMOR", application the
// program's base name.
QSettings* OpenSettingsStore();

// How the bus adapter is reached: "auto", "d2xx" or "serial" (an unknown
// value reads as auto), unless --port or --device chose for this run.
constexpr const char* kAdapterPortKey = "Settings/AdapterPort";

// "Language" (outside 1..2 reads as 1), "DontChange" and "KeyPad" (outside
// 0..1 reads as 0) into the globals; "AdapterPort" into the port choice.
void ReadStoredSettings(QSettings& settings);

class CNexaroDlg;

// The start after the main window's construction: the stored settings, the
// product definition directory, the window's start sequence; then shows it.
// Returns the start error (empty when none).
std::string StartMainWindow(CNexaroDlg& dialog, QSettings& settings);

class CNexaroApp {
public:
    int Run(int argc, char* argv[]);
};
