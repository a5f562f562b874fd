#pragma once
// The flush valve and urinal/WC page tests' look at the simulated EEPROM.

#include "AppTestSupport.h"

#include "app/pages/DlgTarvo.h"
#include "app/pages/DlgUrinalWc.h"
#include "fitting/EEAddressMap.h"

#include <QTest>

#include <vector>

inline std::vector<unsigned char> Eeprom(CSimulatorLibrary& sim)
{
    std::vector<unsigned char> eeprom(512);
    sim.api.ReadEeprom(0, 0, eeprom.data(), static_cast<unsigned>(eeprom.size()));
    return eeprom;
}

inline bool EveryRowSumHolds(CSimulatorLibrary& sim)
{
    const std::vector<unsigned char> eeprom = Eeprom(sim);
    for (std::size_t row = 0; row < eeprom.size(); row += 16) {
        unsigned char sum = 0;
        for (std::size_t i = 0; i < 15; ++i)
            sum = static_cast<unsigned char>(sum + eeprom[row + i]);
        if (sum != eeprom[row + 15])
            return false;
    }
    return true;
}

// A little-endian value of one or two bytes as the fitting keeps it.
inline unsigned EepromValue(CSimulatorLibrary& sim, unsigned nAddress, int nSize)
{
    const std::vector<unsigned char> eeprom = Eeprom(sim);
    return eeprom[nAddress] | (nSize > 1 ? eeprom[nAddress + 1] << 8 : 0);
}
