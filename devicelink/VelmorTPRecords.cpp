// The module information and error code details records: reading them and
// decoding them into named values.
#include "devicelink/VelmorTPBase.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/StringParameter.h"
#include "devicelink/ByteOrder.h"

namespace {

// Empties a handler before a record is decoded into it; its label stays.
void EmptyHandler(CStringParameterHandler& parameters)
{
    CStringParameterHandler empty;
    empty.SetLabel(parameters.GetLabel());
    parameters = empty;
}

int AddValue(CStringParameterHandler& parameters, const char* szName, const std::string& strValue,
             std::string& strError)
{
    return parameters.AddParameter(CStringParameter(szName, strValue), strError);
}

std::string ActiveApplicationText(BYTE byValue)
{
    if (byValue == 0)
        return "0 = Bootloader";
    if (byValue == 1)
        return "1 = Application";
    return FormatText("0x%02X = Unknown", byValue);
}

std::string SerialNumberText(const BYTE* p)
{
    return FormatText("%02X%02X%02X%02X%02X%02X", p[0], p[1], p[2], p[3], p[4], p[5]);
}

// The checks every record decoder makes before it reads the record.
int CheckRecord(const char* szPrefix, UCHAR byLayoutVersion, UCHAR byExpectedVersion, int nLength,
                int nExpectedLength, const BYTE* pRecord, const char* szNullGerman, std::string& strError)
{
    if (byLayoutVersion != byExpectedVersion) {
        strError = FormatText(PickText("%s: Internal error: The function was called for the not supported layout version (%d).",
                                       "%s: Interner Fehler: Die Funktion wurde für das nicht unterstützte Layout (%d) aufgerufen."),
                              szPrefix, byLayoutVersion);
        return Result::LayoutNotSupported;
    }
    if (nLength != nExpectedLength) {
        strError = FormatText(PickText("%s: The passed length (%d) is invalid. A min length of (%d) and a max length of (%d) was expected",
                                       "%s: Die Längeninformation (%d) ist ungültig. Eine Länge zwischen (%d) und (%d) wurde erwartet"),
                              szPrefix, nLength, nExpectedLength, nExpectedLength);
        return Result::InvalidArgument;
    }
    if (pRecord == nullptr) {
        strError = FormatText(PickText("%s: The data array pointer can't be NULL", szNullGerman), szPrefix);
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

// Decodes a module information record: active application, product ID, one
// byte pair per version name from byte 3 on, then the serial number.
int ParseModuleRecord(const BYTE* pRecord, const char* const* pVersionNames, int nVersions,
                      CStringParameterHandler& parameters, std::string& strError)
{
    int nResult = AddValue(parameters, "Active application", ActiveApplicationText(pRecord[0]), strError);
    if (nResult == Result::Ok)
        nResult = AddValue(parameters, "Product ID", FormatText("%02X%02X", pRecord[1], pRecord[2]), strError);
    int nOffset = 3;
    for (int i = 0; i < nVersions && nResult == Result::Ok; ++i, nOffset += 2)
        nResult = AddValue(parameters, pVersionNames[i], ModuleVersionText(pRecord[nOffset], pRecord[nOffset + 1]), strError);
    if (nResult == Result::Ok)
        nResult = AddValue(parameters, "Serial number", SerialNumberText(pRecord + nOffset), strError);
    return nResult;
}

} // namespace

std::string ModuleVersionText(BYTE byMajor, BYTE byMinor)
{
    if (byMajor & 0x80)
        return FormatText("T%02d.%02d", byMajor & 0x7F, byMinor);
    return FormatText("V%d.%02d", byMajor, byMinor);
}

int CVelmorTPBase::ReadModuleInformationRaw(UCHAR& byLayoutVersion, int& nRecordLength, std::vector<BYTE>& record,
                                            std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = SendCommand(CmdReadModuleInformation, 0, nullptr, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (m_nResponseLength < 3 || m_nResponseLength > 257) {
        record.clear();
        strError = FormatText(PickText("%s The received length information (%d) is invalid", "%s Die Antwortlänge (%d) des Moduls ist ungültig"),
                              "CVelmorTPBase::ReadModuleInformation:", m_nResponseLength);
        return Result::InvalidResponse;
    }
    byLayoutVersion = m_byResponse[1];
    nRecordLength = m_nResponseLength - 2;
    record.assign(m_byResponse + 2, m_byResponse + m_nResponseLength);
    return Result::Ok;
}

int CVelmorTPBase::ReadModuleInformation(CStringParameterHandler& parameters, std::string& strError)
{
    UCHAR byLayoutVersion = 0;
    int nRecordLength = 0;
    std::vector<BYTE> record;
    int nResult = ReadModuleInformationRaw(byLayoutVersion, nRecordLength, record, strError);
    if (nResult != Result::Ok)
        return nResult;
    EmptyHandler(parameters);
    if (byLayoutVersion == 0)
        return ParseLayoutVersion_V0(byLayoutVersion, nRecordLength, record.data(), parameters, strError);
    if (byLayoutVersion == 1)
        return ParseLayoutVersion_V1(byLayoutVersion, nRecordLength, record.data(), parameters, strError);
    strError = FormatText(PickText("%s The read module information layout version (%d) is not yet supported",
                                   "%s Die empfangene The read module information layout version (%d) is not yet supported"),
                          "CVelmorTPBase::ReadModuleInformation:", byLayoutVersion);
    return Result::LayoutNotSupported;
}

int CVelmorTPBase::ParseLayoutVersion_V0(UCHAR byLayoutVersion, int nRecordLength, const BYTE* pRecord,
                                         CStringParameterHandler& parameters, std::string& strError)
{
    static const char* const kPrefix = "CVelmorTPBase::ParseLayoutVersion_V0:";
    // This decoder has no German text for a missing record.
    int nResult = CheckRecord(kPrefix, byLayoutVersion, 0, nRecordLength, 11, pRecord,
                              "%s: The data array pointer can't be NULL", strError);
    if (nResult != Result::Ok)
        return nResult;
    static const char* const kVersions[] = {"SW version"};
    return ParseModuleRecord(pRecord, kVersions, 1, parameters, strError);
}

int CVelmorTPBase::ParseLayoutVersion_V1(UCHAR byLayoutVersion, int nRecordLength, const BYTE* pRecord,
                                         CStringParameterHandler& parameters, std::string& strError)
{
    static const char* const kPrefix = "CVelmorTPBase::ParseLayoutVersion_V1:";
    int nResult = CheckRecord(kPrefix, byLayoutVersion, 1, nRecordLength, 13, pRecord,
                              "%s: Der Datenzeiger darf nicht NULL", strError);
    if (nResult != Result::Ok)
        return nResult;
    static const char* const kVersions[] = {"BL version", "SW version"};
    return ParseModuleRecord(pRecord, kVersions, 2, parameters, strError);
}

int CVelmorTPBase::ReadErrorCodeDetailsRaw(UCHAR bySelector, UCHAR& byLayoutVersion, int& nDetailCount,
                                           std::vector<BYTE>& details, std::string& strError)
{
    CProtocolLock lock(*this);
    int nResult = SendCommand(CmdErrorCodesReadDetails, 1, &bySelector, strError);
    if (nResult != Result::Ok)
        return nResult;
    nResult = CheckMinimumResponse(1, "CVelmorTPBase::ReadErrorCodeDetailsRaw:", strError);
    if (nResult != Result::Ok) {
        details.clear();
        return nResult;
    }
    // The count includes one byte past the payload (a layout 0 record counts
    // 7 for its 6 detail bytes); that byte is handed back as 0 rather than
    // as whatever an earlier response left in the buffer.
    byLayoutVersion = m_nResponseLength >= 2 ? m_byResponse[1] : 0;
    nDetailCount = m_nResponseLength - 1;
    details.clear();
    if (m_nResponseLength > 2)
        details.assign(m_byResponse + 2, m_byResponse + m_nResponseLength);
    if (nDetailCount > 0)
        details.resize(static_cast<size_t>(nDetailCount), 0);
    return Result::Ok;
}

int CVelmorTPBase::ErrorCodesReadDetails(UCHAR bySelector, CStringParameterHandler& parameters, std::string& strError)
{
    UCHAR byLayoutVersion = 0;
    int nDetailCount = 0;
    std::vector<BYTE> details;
    int nResult = ReadErrorCodeDetailsRaw(bySelector, byLayoutVersion, nDetailCount, details, strError);
    if (nResult != Result::Ok)
        return nResult;
    EmptyHandler(parameters);
    if (byLayoutVersion == 0)
        return ParseErrorCodeDetailsLayoutVersion_V0(byLayoutVersion, nDetailCount, details.empty() ? nullptr : details.data(),
                                                     parameters, strError);
    strError = FormatText(PickText("%s The read error code details layout version (%d) is not yet supported",
                                   "%s Die empfangene Fehlercode-Versionsinformation (%d) wird nicht unterstützt"),
                          "CVelmorTPBase::ErrorCodesReadDetails:", byLayoutVersion);
    return Result::LayoutNotSupported;
}

int CVelmorTPBase::ParseErrorCodeDetailsLayoutVersion_V0(UCHAR byLayoutVersion, int nDetailCount, const BYTE* pDetails,
                                                         CStringParameterHandler& parameters, std::string& strError)
{
    int nResult = CheckRecord("CVelmorTPBase::ParseErrorCodeDetailsLayoutVersion_V0:", byLayoutVersion, 0, nDetailCount,
                              7, pDetails, "%s: Der Zeiger kann nicht NULL sein", strError);
    if (nResult != Result::Ok)
        return nResult;
    const BYTE byFlags = pDetails[1];
    const struct {
        const char* szName;
        int nValue;
    } values[] = {
        {"ErrorCode", pDetails[0]},
        {"IsHistoric", (byFlags >> 7) & 1},
        {"IsActive", (byFlags >> 6) & 1},
        {"IsStoreableToNVM", (byFlags >> 5) & 1},
        {"StoredToNVM", (byFlags >> 4) & 1},
        {"ErrorCount", byFlags & 0x0F},
        {"OperationHours", static_cast<int>(GetBigEndian(pDetails + 2, 2))},
        {"BatteryVoltage", static_cast<int>(GetBigEndian(pDetails + 4, 2))},
    };
    for (const auto& value : values) {
        nResult = AddValue(parameters, value.szName, FormatText("%d", value.nValue), strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}
