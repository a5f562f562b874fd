#pragma once
// What the whole program shares: the settings read at start, the shared
// fonts, the window messages between the window and its pages, and
// dialog-unit geometry.

#include <QEvent>
#include <QFont>
#include <QRect>

#include <cstdint>


// The on-screen key pad pops up for number fields (0 or 1).
extern int g_bShowKeyPad;
// "DontChange" as stored; service mode is on when it holds kServiceCode.
extern std::uint32_t g_nServiceCode;
constexpr std::uint32_t kServiceCode = 0x2B5E1C47;
inline bool IsServiceMode() { return g_nServiceCode == kServiceCode; }

// Shared fonts, made by the main window at its start.
extern QFont g_fontSmall; // 14 pixels
extern QFont g_fontBold;  // 15 pixels bold
extern QFont g_fontTitle; // 18 pixels bold
extern QFont g_fontLarge; // 20 pixels
// Arial where installed, else the metric-compatible Liberation Sans.
QString DialogFontFamily();
// The dialogs' font: the family above at 8 points (96 dpi) or nPixels high.
QFont DialogFont(int nPixels = 0, bool bBold = false);

// Makes the embedded pictures available (they live in a static library).
void InitPictureResources();

// Dialog units to pixels: 1.5 horizontally, 1.75 vertically.
QRect DluRect(int x, int y, int nWidth, int nHeight);
QSize DluSize(int nWidth, int nHeight);

// Messages WM_USER + n between the main window and its pages, as Qt events of
// type QEvent::User + n.
enum WindowMessage : unsigned {
    kWmReadFromTarget = 0x401,
    kWmConfigurationLoaded = 0x403,
    kWmSaveConfiguration = 0x404,
    kWmTakeDefaults = 0x405,
    kWmLanguageChanged = 0x407,
    kWmConnectionStateMsg = 0x409,
    kWmValveStateMsg = 0x40A,
    kWmEnableFittingOperations = 0x40B,
    kWmAdapterStateMsg = 0x40C,
};

class CWindowMessage : public QEvent {
public:
    CWindowMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam);
    static QEvent::Type TypeOf(unsigned nMessage) { return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(nMessage - 0x400)); }
    // The message number of an event of ours, 0 for any other event.
    static unsigned MessageOf(const QEvent* pEvent);

    unsigned nMessage;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};
