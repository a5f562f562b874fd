#pragma once
// Where a faucet's download (416 erases, 416 writes of 64 bytes) is cut
// short by pulling the adapter, and the speed the fitting is left at.
#include "devicelink/VelmorTPBase.h"
#include "simulator/velmorsim_control.h"

#include <ostream>

struct DownloadPhase {
    const char* name;
    int commandID;       // the adapter goes as this command's frame is written:
    unsigned flashBlock; // the one for this flash block (0: a command without one)
    int skip;            // or the one after this many frames of it
    int speedLeftAt;
};

inline constexpr DownloadPhase kDownloadPhases[] = {
    {"Erase", CVelmorTPBase::CmdEraseFlashByAddr, 0x3100, 0, 38400},
    {"FirstWrite", CVelmorTPBase::CmdWriteFlashByAddr, 0x1800, 0, 38400},
    {"MiddleWrite", CVelmorTPBase::CmdWriteFlashByAddr, 0x4C00, 0, 38400},
    {"LastWrite", CVelmorTPBase::CmdWriteFlashByAddr, 0x7FC0, 0, 38400},
    {"ActivateApplication", CVelmorTPBase::CmdActivateApplication, 0, 0, 2400},
    {"FinalRestart", CVelmorTPBase::CmdResetModule, 0, 1, 2400},
};

// The fault that pulls the adapter in the phase, once.
inline VSimFault PullInPhase(const DownloadPhase& phase)
{
    return {VSIM_FAULT_UNPLUG_ADAPTER, VSIM_TRIGGER_COMMAND, phase.commandID, 1, 0, 0, nullptr, nullptr, phase.skip,
            phase.flashBlock, phase.flashBlock != 0 ? 1u : 0u};
}

inline void PrintTo(const DownloadPhase& phase, std::ostream* out)
{
    *out << phase.name;
}
