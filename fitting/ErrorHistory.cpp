#include "fitting/ErrorHistory.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "fitting/EEAddressMap.h"

namespace {

struct ErrorText {
    unsigned int nCode;
    const char* pszEnglish;
    const char* pszGerman;
};

// Codes 1 to 12 mean the same for every fitting.
constexpr ErrorText kCommonTexts[] = {
    {1, "The received echo byte does not match with the send data byte", "Empfangenes Echo ungültig"},
    {2, "The passed parameter is out of range", "Parameter ungültig"},
    {3, "Timeout communication", "Timeout der Kommunikation"},
    {4, "An invalid command was received ", "Ungültiges Kommando empfangen"},
    {5, "Invalid checksum", "Ungültige Checksumme"},
    {6, "Memory write operation failed", "Speicher schreiben fehlgeschlagen"},
    {7, "Invalid pre condition", "Ungültige Vorbedingung"},
    {8, "Invalid target addr", "Ungültige Zieladresse"},
    {9, "Invalid checksum, check is failed", "Ungültige Checksumme"},
    {10, "Overvoltage", "Überspannung"},
    {11, "No valve detected", "Kein Ventil erkannt"},
    {12, "Undervoltage", "Unterspannung"},
};

// Flush valves (table A).
constexpr ErrorText kFlushValveTexts[] = {
    {13, "Security access failed", "Sicherheitszugriff fehlgeschlagen"},
    {14, "Invalid EE configuration", "EE Konfiguration fehlerhaft"},
};

// Faucets, urinal and WC controls (table B).
constexpr ErrorText kFaucetTexts[] = {
    {13, "Undervoltage warning", "Unterspannungswarnung"},
    {14, "Security access failed", "Sicherheitszugriff fehlgeschlagen"},
    {15, "Invalid EE-parameter", "EE-Parameter fehlerhaft"},
    {16, "Startup-meas TO", "Einmessen TO"},
};

template <std::size_t N>
const ErrorText* FindText(const ErrorText (&table)[N], unsigned int nCode)
{
    for (const ErrorText& entry : table)
        if (entry.nCode == nCode)
            return &entry;
    return nullptr;
}

} // namespace

int DeCodeErrorHistory(const int& nProductType, const unsigned int& nErrorCode, std::string& strText, std::string& strError)
{
    strError.clear();
    if (nProductType < kProductTarvo || nProductType > kProductCulina) {
        strError = FormatText(PickText("%s The product (%d) is not supported", "%s Das Produkt (%d) wird nicht unterstützt"),
                              "::DeCodeErrorHistory", nProductType);
        return Result::InvalidArgument;
    }
    const bool bFlushValve = nProductType == kProductTarvo || nProductType == kProductTarvoV2;
    const ErrorText* pEntry = FindText(kCommonTexts, nErrorCode);
    if (pEntry == nullptr)
        pEntry = bFlushValve ? FindText(kFlushValveTexts, nErrorCode) : FindText(kFaucetTexts, nErrorCode);
    strText.clear();
    if (pEntry != nullptr)
        strText = std::string(" - ") + PickText(pEntry->pszEnglish, pEntry->pszGerman);
    return Result::Ok;
}
