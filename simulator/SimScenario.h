#pragma once
// The scenario text: which USB devices exist, which fitting hangs on each
// bus adapter and how it is set up, and which faults are armed. The same
// text comes from VSim_Reset or from the file VELMOR_SIM_SCENARIO names.
#include "simulator/velmorsim_control.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One bus adapter with the "Ambra" fitting.
inline constexpr const char* kSimDefaultScenario = "[adapter]\nfitting = Ambra\n";

struct CSimFaultSpec {
    VSimFault fault{};  // text pointers are set from the strings when armed
    std::string strText, strText2;
};

struct CSimFittingSpec {
    std::string strProfile; // empty: no fitting
    std::optional<unsigned long> article;
    std::string strSerial;  // 12 hexadecimal digits, empty: the profile's
    std::optional<int> layout;
    std::string strBlVersion, strAppVersion;
    std::optional<unsigned> silentMs, readyMs;
    std::optional<bool> rowCheck;
    std::string strEepromFile;
    std::vector<std::pair<unsigned, std::vector<std::uint8_t>>> eepromPatches;
};

struct CSimDeviceSpec {
    bool bAdapter = true;
    std::string strDescription, strSerial;
    CSimFittingSpec fitting;
    std::vector<CSimFaultSpec> faults;
};

struct CSimScenario {
    std::optional<double> timeScale;
    std::vector<CSimDeviceSpec> devices;
    std::vector<CSimFaultSpec> faults; // not tied to one device
};

// Why a fault could never fire as asked (unknown kind or trigger, a period
// below 1, a command ID outside 1..33, a failing status without its
// function), or nullptr when it is fine.
const char* SimFaultProblem(const VSimFault& fault, const std::string& strFunction);

// False with the reason (and its line) in strError.
bool ParseSimScenario(const std::string& strText, CSimScenario& scenario, std::string& strError);
// "V2.07" -> 2, 7; "T05.03" -> 0x85, 3.
bool ParseSimVersion(const std::string& strText, std::uint8_t version[2]);
// 12 hexadecimal digits, shown highest EEPROM byte first -> EEPROM order.
bool ParseSimSerial(const std::string& strText, std::uint8_t serial[6]);
