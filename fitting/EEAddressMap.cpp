#include "fitting/EEAddressMap.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <array>

namespace {

constexpr int kNone = -1; // the family's map refuses the type

struct EEField {
    int nType;
    int nSize;
    int nTarvo;
    int nAmbra;
    int nUrinalWc;
};

// One row per address type: size and address in the Tarvo, Ambra and
// UrinalWc maps.
constexpr std::array<EEField, 45> kFields{{
    {EE_SERIAL_NUMBER, 6, 0x11, 0x11, 0x11},
    {EE_PRODUCTION_DATE, 3, 0x1A, 0x2C, 0x2C},
    {EE_HOURS_SINCE_RESET, 2, 0x67, 0x40, 0x40},
    {EE_HOURS_TOTAL, 2, 0x69, 0x42, 0x42},
    {EE_SWITCH_COUNT_A, 3, 0x61, 0x51, 0x51},
    {EE_SWITCH_COUNT_B, 3, 0x64, 0x54, 0x54},
    {EE_SWITCH_COUNT_SINCE_RESET, 2, 0x3A, 0x5C, 0x5C},
    {EE_SWITCH_LEVEL, 2, 0x40, kNone, kNone},
    {EE_ERROR_COUNT, 1, 0x30, 0x46, 0x46},
    {EE_ERROR_1, 1, 0x31, 0x47, 0x47},
    {EE_ERROR_2, 1, 0x32, 0x48, 0x48},
    {EE_ERROR_3, 1, 0x33, 0x49, 0x49},
    {EE_ERROR_4, 1, 0x34, 0x4A, 0x4A},
    {EE_ERROR_5, 1, 0x35, 0x4B, 0x4B},
    {EE_VALVE_DEAD_TIME_TIMEOUT, 2, 0x52, kNone, kNone},
    {EE_VALVE_DEAD_TIME_RUNTIME, 2, 0x5B, kNone, kNone},
    {EE_STARTUP_PROGRAMMING, 1, 0x7E, 0x5E, 0x5E},
    {EE_CLEANING_STOP_MODE, 1, kNone, 0x6C, 0x6C},
    {EE_CLEANING_STOP_RUNTIME, 2, kNone, 0x6D, 0x6D},
    {EE_NON_STOP_OPERATION_MODE, 1, kNone, 0xA8, 0xA8},
    {EE_NON_STOP_OPERATION_RUNTIME, 2, kNone, 0xA9, 0xA9},
    {EE_THERMAL_DISINFECTION_MODE, 1, kNone, 0xAB, kNone},
    {EE_THERMAL_DISINFECTION_RUNTIME, 2, kNone, 0xAC, kNone},
    {EE_SPECIAL_OPERATION, 1, kNone, 0xAE, kNone},
    {EE_RUNTIME, 2, 0x86, 0x72, 0x72},
    {EE_MAX_RUNTIME, 2, kNone, 0x70, 0x70},
    {EE_STAGNATION_MODE, 1, 0x88, 0x76, 0x76},
    {EE_STAGNATION_RUNTIME, 2, 0x91, 0x79, 0x79},
    {EE_STAGNATION_CYCLE_TIME, 2, 0x89, 0x77, 0x77},
    {EE_POWER_SAVING_TIMEOUT, 1, kNone, 0x9E, 0x8E},
    {EE_POWER_SAVING_MODE, 1, kNone, 0x9E, 0x8E},
    {EE_PLACEMENT_1, 15, 0xC0, 0xD0, 0xD0},
    {EE_PLACEMENT_2, 15, 0xD0, 0xE0, 0xE0},
    {EE_INSTALLER, 15, 0xE0, 0xB0, 0xB0},
    {EE_INSTALLATION_DATE, 5, 0xB0, 0xC0, 0xC0},
    {EE_LED_CURRENT_OFF, 1, kNone, 0x94, 0xA4},
    {EE_SIMPLE_SWITCH_FUNCTION, 1, 0x8B, kNone, kNone},
    {EE_FLUSH_INDEX, 1, kNone, kNone, 0xC8},
    {EE_STADIUM_DELTA, 2, kNone, kNone, 0x9D},
    {EE_STADIUM_RUNTIME, 2, kNone, kNone, 0xA0},
    {EE_STADIUM_MODE, 1, kNone, kNone, 0xA2},
    {EE_AIRTRAP_MODE, 1, kNone, kNone, 0xAB},
    {EE_AIRTRAP_LAST_USED, 1, kNone, kNone, 0xAC},
    {EE_COMFORT_FLUSH_MODE, 1, kNone, kNone, 0xAD},
    {EE_COMFORT_FLUSH_LAST_USED, 1, kNone, kNone, 0xAE},
}};

const EEField* FindField(int nAddrType)
{
    for (const EEField& field : kFields)
        if (field.nType == nAddrType)
            return &field;
    return nullptr;
}

// Looks the type up in one family's column of the table.
int LookUp(int EEField::*pFamily, const char* pszOperation, const int& nAddrType, int& nAddr, std::string& strError)
{
    nAddr = 0;
    strError.clear();
    const EEField* pField = FindField(nAddrType);
    if (pField == nullptr || pField->*pFamily == kNone) {
        strError = FormatText(PickText("%s The addr type (%d) is not supported", "%s Der Adresstyp (%d) wird nicht unterstützt"),
                              pszOperation, nAddrType);
        return Result::InvalidArgument;
    }
    nAddr = pField->*pFamily;
    return Result::Ok;
}

} // namespace

int GetEEAddrTypeSize(int nAddrType)
{
    const EEField* pField = FindField(nAddrType);
    return pField != nullptr ? pField->nSize : 0;
}

int GetEEAddrTarvo(const int& nAddrType, int& nAddr, std::string& strError)
{
    return LookUp(&EEField::nTarvo, "::GetEEAddrTarvo", nAddrType, nAddr, strError);
}

int GetEEAddrAmbra(const int& nAddrType, int& nAddr, std::string& strError)
{
    return LookUp(&EEField::nAmbra, "::GetEEAddrAmbra", nAddrType, nAddr, strError);
}

int GetEEAddrUrinalWc(const int& nAddrType, int& nAddr, std::string& strError)
{
    return LookUp(&EEField::nUrinalWc, "::GetEEAddrUrinalWc", nAddrType, nAddr, strError);
}

int GetEEAddr(const int& nAddrType, const int& nProductType, int& nAddr, std::string& strError)
{
    nAddr = 0;
    strError.clear();
    switch (nProductType) {
    case kProductTarvo:
    case kProductTarvoV2:
        return GetEEAddrTarvo(nAddrType, nAddr, strError);
    case kProductUrinal:
    case kProductWC:
        return GetEEAddrUrinalWc(nAddrType, nAddr, strError);
    case kProductAmbra:
    case kProductPelio:
    case kProductCulina:
        return GetEEAddrAmbra(nAddrType, nAddr, strError);
    default:
        strError = FormatText(PickText("%s The product (%d) is not supported", "%s Das Produkt (%d) wird nicht unterstützt"),
                              "::GetEEAddr", nProductType);
        return Result::InvalidArgument;
    }
}
