#pragma once
#include <cstdint>
#include <string>

// Window messages between the parts of the program (WM_USER + n). The GUI
// maps them to its own event types.
constexpr unsigned kWmUser = 0x400;
constexpr unsigned kWmConnectionState = kWmUser + 9; // lParam: connection state
constexpr unsigned kWmValveState = kWmUser + 10;     // lParam: valve state byte
constexpr unsigned kWmAdapterState = kWmUser + 12;   // lParam: 1 a bus adapter is open, 0 none found

// Connection states posted with kWmConnectionState.
constexpr int kConnectionKnownFitting = 1;   // known product, in force or none in force
constexpr int kConnectionOtherUnit = 2;      // as 1, but another unit than last time
constexpr int kConnectionNoFitting = 3;      // nothing answers
constexpr int kConnectionUnknownFitting = 4; // no product definition has its article number
constexpr int kConnectionOtherProduct = 5;   // differs from the product in force
// A fitting answers in its boot loader only: no application runs, as after a
// download cut short. Only programming its firmware brings it back.
constexpr int kConnectionInBootloader = 6;

// What the device link needs from the main window. The monitors call it from
// their own threads while holding the extension lock, so an implementation
// must be thread-safe, must not block on the user-interface thread, and must
// neither take the extension or protocol lock nor stop a monitor itself.
class IMainWindowLink {
public:
    virtual ~IMainWindowLink() = default;
    // Queues a message for the user-interface thread and returns at once.
    virtual void PostToMainWindow(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Product type (1..7) of the definition with this article number; false
    // when no definition has it. A definition whose type name is no product
    // type gives 0, which counts as unknown.
    virtual bool FindProductTypeForArticle(const std::string& strArticleNumber, int& nProductType) = 0;
    // Article number of the product definition in force; empty when none.
    virtual std::string GetArticleNumberInForce() = 0;
};
