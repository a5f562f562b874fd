// What the settings model reads from and writes to the fitting, and the
// restart that makes the fitting take it.

#include "pages/SettingsModel.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/VelmorTPExt.h"
#include "fitting/Bcd.h"
#include "workflow/FittingReadout.h"

#include <algorithm>

namespace {

constexpr int kDateRecordLength = 5;
constexpr unsigned kRestartPauseMs = 750;
constexpr unsigned kReadyPollMs = 1500;
constexpr std::uint64_t kReadyTimeoutMs = 20000;
constexpr UCHAR kStartingIndex = 2; // non-zero while the application starts

void Report(const SettingsProgress& progress, int nStep, int nPosition)
{
    if (progress)
        progress(nStep, nPosition);
}

int ReadBytes(CVelmorTPExt& link, EEAddrType eType, int nProductType, int nLength, std::vector<BYTE>& bytes,
              std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(eType, nProductType, nAddress, strError);
    return nResult != Result::Ok
               ? nResult
               : link.ReadEEByAddr(static_cast<WORD>(nAddress), static_cast<UCHAR>(nLength), bytes, strError);
}

// Notes in the journal how far the write got.
int Journal(CWriteJournal& journal, const std::string& strName, int nResult)
{
    journal.NoteWrite(strName, nResult);
    return nResult;
}

int WriteValue(CVelmorTPExt& link, EEAddrType eType, int nProductType, int nSize, DWORD dwValue,
               std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(eType, nProductType, nAddress, strError);
    return nResult != Result::Ok ? nResult : link.WriteEEValue(nAddress, nSize, static_cast<int>(dwValue), strError);
}

int WriteLine(CVelmorTPExt& link, EEAddrType eType, int nProductType, const std::array<BYTE, 16>& line,
              std::string& strError)
{
    int nAddress = 0;
    const int nResult = GetEEAddr(eType, nProductType, nAddress, strError);
    return nResult != Result::Ok ? nResult : link.WriteEEBlock(nAddress, line, strError);
}

// The date goes into its line as read just before, so that the line's other
// bytes, and the record's two uninterpreted bytes, stay as the fitting has them.
int WriteDate(CVelmorTPExt& link, int nProductType, const CDate& date, std::string& strError)
{
    int nAddress = 0;
    int nResult = GetEEAddr(EE_INSTALLATION_DATE, nProductType, nAddress, strError);
    const int nRow = nAddress & ~0xF;
    std::vector<BYTE> row;
    if (nResult == Result::Ok)
        nResult = link.ReadEEByAddr(static_cast<WORD>(nRow), kEERowSize, row, strError);
    if (nResult != Result::Ok)
        return nResult;
    std::array<BYTE, 16> line{};
    std::copy_n(row.begin(), std::min<std::size_t>(row.size(), line.size()), line.begin());
    const auto nOffset = static_cast<std::size_t>(nAddress - nRow);
    line[nOffset] = IntToBcd(date.nYear - 2000);
    line[nOffset + 1] = IntToBcd(date.nMonth);
    line[nOffset + 2] = IntToBcd(date.nDay);
    return link.WriteEEBlock(nRow, line, strError);
}

// Patches bytes into their row as the fitting holds it and writes the row
// with its sum renewed.
int PatchRow(CVelmorTPExt& link, const CEepromBytes& item, std::string& strError)
{
    const int nRow = item.nAddress & ~0xF;
    std::vector<BYTE> row;
    const int nResult = link.ReadEEByAddr(static_cast<WORD>(nRow), kEERowSize, row, strError);
    if (nResult != Result::Ok)
        return nResult;
    row.resize(kEERowSize);
    std::copy(item.bytes.begin(), item.bytes.end(), row.begin() + (item.nAddress - nRow));
    return link.WriteEEBlock(nRow, row, strError);
}

// A value as the fitting holds it, into the values: its number on the
// page's scale, and the value itself where the page cannot show it (between
// two steps, a check box's byte other than 0 and 1). A derived value has no
// field and no scale.
void NoteStoredValue(const CSettingField* pField, const std::string& strName, DWORD dwStored, CSettingValues& values)
{
    const DWORD dwScale = pField != nullptr ? pField->dwScale : 1;
    values.numbers[strName] = dwStored / dwScale;
    if (dwStored % dwScale != 0 || (pField != nullptr && pField->eKind == SettingKind::Flag && dwStored > 1))
        values.stored[strName] = dwStored;
}

bool IsInstallationItem(const std::string& strName)
{
    return strName == kInstallerName || strName == kPlacementName || strName == kInstallationDateName;
}

struct CWrittenItem {
    const char* szName;
    EEAddrType eAddrType;
    int nMapProductType;
    int nSize;
};

} // namespace

int RestartAndWait(CVelmorTPExt& link, const SettingsProgress& progress, bool& bReady, std::string& strError)
{
    bReady = false;
    // A garbled, late or missing answer leaves the polling to decide; a
    // port that failed does not come back by waiting.
    const int nResult = link.ResetModule(strError);
    if (nResult != Result::Ok && nResult != Result::NoResponse && nResult != Result::InvalidResponse)
        return nResult;
    ITimeService& time = TimeService();
    bool bAnswered = false;
    Report(progress, StepRestart, 0);
    time.SleepMs(kRestartPauseMs);
    Report(progress, StepWaitUntilReady, 0);
    const std::uint64_t ullStart = time.NowMs();
    int nPosition = 0;
    int nPrevious = 0;
    for (;;) {
        nPosition += 10;
        Report(progress, StepWaitUntilReady, nPosition);
        if (nPosition >= 100)
            nPosition = 0;
        int nRunning = 0;
        std::string strIgnored;
        if (link.GetActiveApplication(nRunning, strIgnored) == Result::Ok) {
            bAnswered = true;
            // Just out of the boot loader: give the application time to start.
            if (nPrevious == CVelmorTPExt::kRunningBootloader && nRunning == CVelmorTPExt::kRunningApplication) {
                time.SleepMs(kReadyPollMs);
            } else if (nRunning == CVelmorTPExt::kRunningApplication) {
                UCHAR byStarting = 1;
                if (link.ReadByteByIndex(kStartingIndex, byStarting, strIgnored) == Result::Ok && byStarting == 0) {
                    bReady = true;
                    strError.clear();
                    return Result::Ok;
                }
            }
            nPrevious = nRunning;
        }
        time.SleepMs(kReadyPollMs);
        if (time.NowMs() - ullStart > kReadyTimeoutMs) {
            if (bAnswered) {
                strError.clear();
                return Result::Ok;
            }
            strError = PickText("The fitting did not answer within 20 s after its restart.",
                                "Die Armatur hat nach ihrem Neustart innerhalb von 20 s nicht geantwortet.");
            return Result::NoResponse;
        }
    }
}

int CSettingsModel::ReadFields(CVelmorTPExt& link, int& nPosition, const SettingsProgress& progress,
                               std::string& strError)
{
    for (const std::string& strName : m_Family.readOrder) {
        const CSettingField* pField = FindField(strName);
        if (pField == nullptr)
            continue;
        int nAddress = 0;
        int nValue = 0;
        int nResult = GetEEAddr(pField->eAddrType, m_Family.nMapProductType, nAddress, strError);
        if (nResult == Result::Ok)
            nResult = link.ReadEEValue(nAddress, pField->nSize, nValue, strError);
        if (nResult != Result::Ok)
            return nResult;
        const DWORD dwValue = static_cast<DWORD>(nValue) / pField->dwScale;
        NoteStoredValue(pField, strName, static_cast<DWORD>(nValue), m_LastRead);
        ShowValue(*pField, dwValue);
        if (pField->dwScale > 1 && m_LastRead.stored.contains(strName) && !(pField->bZeroMeansOff && dwValue == 0))
            m_Form.texts[strName] = ValueText(m_LastRead, strName);
        Report(progress, StepRead, nPosition += m_Family.nProgressStep);
    }
    return Result::Ok;
}

int CSettingsModel::ReadInstallation(CVelmorTPExt& link, int& nPosition, const SettingsProgress& progress,
                                     std::string& strError)
{
    std::vector<BYTE> installer;
    int nResult = ReadBytes(link, EE_INSTALLER, m_nProductType, kTextFieldLength, installer, strError);
    if (nResult != Result::Ok)
        return nResult;
    m_Form.strInstaller = m_LastRead.strInstaller = InstallerText(installer);
    Report(progress, StepRead, nPosition += m_Family.nProgressStep);

    std::vector<BYTE> first;
    std::vector<BYTE> second;
    if ((nResult = ReadBytes(link, EE_PLACEMENT_1, m_nProductType, kTextFieldLength, first, strError)) != Result::Ok
        || (nResult = ReadBytes(link, EE_PLACEMENT_2, m_nProductType, kTextFieldLength, second, strError)) != Result::Ok)
        return nResult;
    m_Form.strPlacement = m_LastRead.strPlacement = PlacementText(first, second);
    Report(progress, StepRead, nPosition += m_Family.nProgressStep);

    std::vector<BYTE> record;
    m_LastRead.date = CDate();
    if ((nResult = ReadBytes(link, EE_INSTALLATION_DATE, m_nProductType, kDateRecordLength, record, strError)) != Result::Ok)
        return nResult;
    record.resize(kDateRecordLength);
    m_LastRead.date = RecordDate(record);
    m_Form.date = m_LastRead.date.IsSet() ? m_LastRead.date : Today();
    return Result::Ok;
}

int CSettingsModel::ReadFromTarget(CVelmorTPExt& link, const SettingsProgress& progress, std::string& strError)
{
    m_LastRead = CSettingValues();
    int nResult = CheckArticleNumber(link, m_Definition.GetArticleNumber(), strError);
    if (nResult != Result::Ok)
        return nResult;
    Report(progress, StepRead, 0);
    int nPosition = 0;
    nResult = ReadFields(link, nPosition, progress, strError);
    return nResult != Result::Ok ? nResult : ReadInstallation(link, nPosition, progress, strError);
}

int CSettingsModel::CheckApplicationVersion(CVelmorTPExt& link, std::string& strError)
{
    if (m_Family.versionRequirements.empty())
        return Result::Ok;
    UCHAR byMajor = 0;
    UCHAR byMinor = 0;
    int nResult = link.GetSWVersion(byMajor, byMinor, strError);
    if (nResult != Result::Ok)
        return nResult;
    for (const CVersionRequirement& requirement : m_Family.versionRequirements) {
        const CSettingField* pField = FindField(requirement.szField);
        if (pField == nullptr || IsKept(pField->szName) || !requirement.pIsTooOld(byMajor, byMinor))
            continue;
        DWORD dwValue = 0;
        if ((nResult = ControlValue(*pField, Purpose::Write, dwValue, strError)) != Result::Ok)
            return nResult;
        if (dwValue < requirement.dwFirstValue)
            continue;
        const char* szFormat = PickText(requirement.szEnglish, requirement.szGerman);
        strError = pField->eKind == SettingKind::Symbolic
                       ? FormatText(szFormat, m_Form.texts[pField->szName].c_str(), byMajor, byMinor)
                       : FormatText(szFormat, byMajor, byMinor);
        return Result::MissingPrecondition;
    }
    return Result::Ok;
}

std::vector<std::string> CSettingsModel::WriteSequence() const
{
    std::vector<std::string> names;
    for (const CSettingField& field : m_Fields)
        names.emplace_back(field.szName);
    // What the others make is written with them.
    if (std::ranges::any_of(names, [this](const std::string& strName) { return !IsKept(strName); }))
        for (const CDerivedField& derived : m_Family.derived)
            names.emplace_back(derived.szName);
    names.insert(names.end(), {kInstallationDateName, kInstallerName, kPlacementName});
    std::erase_if(names, [this](const std::string& strName) { return IsKept(strName); });
    return names;
}

int CSettingsModel::WriteInstallation(CVelmorTPExt& link, const CSettingValues& values, int& nPosition,
                                      const SettingsProgress& progress, CWriteJournal& journal, std::string& strError)
{
    int nResult = Result::Ok;
    if (!IsKept(kInstallationDateName)) {
        if (Journal(journal, kInstallationDateName, nResult = WriteDate(link, m_nProductType, values.date, strError)) != Result::Ok)
            return nResult;
        Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    }
    if (!IsKept(kInstallerName)) {
        nResult = WriteLine(link, EE_INSTALLER, m_nProductType, InstallerLine(values.strInstaller), strError);
        if (Journal(journal, kInstallerName, nResult) != Result::Ok)
            return nResult;
        Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    }
    if (IsKept(kPlacementName))
        return Result::Ok;
    const auto lines = PlacementLines(values.strPlacement);
    nResult = WriteLine(link, EE_PLACEMENT_1, m_nProductType, lines[0], strError);
    if (nResult == Result::Ok)
        nResult = WriteLine(link, EE_PLACEMENT_2, m_nProductType, lines[1], strError);
    if (Journal(journal, kPlacementName, nResult) != Result::Ok)
        return nResult;
    Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    return Result::Ok;
}

int CSettingsModel::CheckTarget(CVelmorTPExt& link, const std::string& strUnitSerial, CWriteJournal& journal, std::string& strError)
{
    const int nResult = CheckArticleNumber(link, m_Definition.GetArticleNumber(), strError);
    if (nResult != Result::Ok || strUnitSerial.empty())
        return nResult;
    std::string strSerial;
    const int nUnit = ReadUnitSerialNumber(link, m_nProductType, strSerial, strError);
    if (nUnit == Result::Ok && strSerial != strUnitSerial)
        journal.strOtherUnit = strSerial;
    return nUnit;
}

int CSettingsModel::WriteToTarget(CVelmorTPExt& link, const SettingsProgress& progress, CWriteJournal& journal,
                                  std::string& strError, std::string& strFailedField, const std::string& strUnitSerial)
{
    journal = CWriteJournal();
    strFailedField.clear();
    CSettingValues values;
    int nResult = CheckTarget(link, strUnitSerial, journal, strError);
    if (nResult != Result::Ok || (nResult = CheckApplicationVersion(link, strError)) != Result::Ok
        || (nResult = PrepareWrite(values, strError, strFailedField)) != Result::Ok)
        return nResult;
    for (const CDerivedField& derived : m_Family.derived)
        values.numbers[derived.szName] = derived.pCompute(values);
    const std::vector<std::string> sequence = WriteSequence();
    for (const std::string& strName : sequence) {
        const bool bDerived = std::ranges::any_of(m_Family.derived, [&](const CDerivedField& derived) { return strName == derived.szName; });
        journal.entries.push_back({.strName = strName, .strAttempted = ValueText(values, strName), .bDerived = bDerived});
    }

    Report(progress, StepWrite, 0);
    int nPosition = 0;
    const auto written = [&sequence](const char* szName) { return std::ranges::find(sequence, szName) != sequence.end(); };
    for (const CSettingField& field : m_Fields) {
        if (!written(field.szName))
            continue;
        const auto stored = values.stored.find(field.szName);
        const DWORD dwStored = stored != values.stored.end() ? stored->second : values.Number(field.szName) * field.dwScale;
        nResult = WriteValue(link, field.eAddrType, m_Family.nMapProductType, field.nSize, dwStored, strError);
        if (Journal(journal, field.szName, nResult) != Result::Ok)
            return nResult;
        Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    }
    for (const CDerivedField& derived : m_Family.derived) {
        if (!written(derived.szName))
            continue;
        nResult = WriteValue(link, derived.eAddrType, m_Family.nMapProductType, derived.nSize, values.Number(derived.szName), strError);
        if (Journal(journal, derived.szName, nResult) != Result::Ok)
            return nResult;
        Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    }
    return WriteInstallation(link, values, nPosition, progress, journal, strError);
}

int CSettingsModel::ReadDerived(CVelmorTPExt& link, CSettingValues& values, std::string& strError)
{
    for (const CDerivedField& derived : m_Family.derived) {
        int nAddress = 0;
        int nValue = 0;
        int nResult = GetEEAddr(derived.eAddrType, m_Family.nMapProductType, nAddress, strError);
        if (nResult == Result::Ok)
            nResult = link.ReadEEValue(nAddress, derived.nSize, nValue, strError);
        if (nResult != Result::Ok)
            return nResult;
        values.numbers[derived.szName] = static_cast<DWORD>(nValue);
    }
    return Result::Ok;
}

int CSettingsModel::ReadWrittenBytes(CVelmorTPExt& link, std::vector<CEepromBytes>& items, std::string& strError)
{
    std::vector<CWrittenItem> written;
    for (const CSettingField& field : m_Fields)
        written.push_back({field.szName, field.eAddrType, m_Family.nMapProductType, field.nSize});
    for (const CDerivedField& derived : m_Family.derived)
        written.push_back({derived.szName, derived.eAddrType, m_Family.nMapProductType, derived.nSize});
    // The date's year, month and day; the installer's and the placement's lines.
    written.push_back({kInstallationDateName, EE_INSTALLATION_DATE, m_nProductType, 3});
    written.push_back({kInstallerName, EE_INSTALLER, m_nProductType, kTextFieldLength});
    written.push_back({kPlacementName, EE_PLACEMENT_1, m_nProductType, kTextFieldLength});
    written.push_back({kPlacementName, EE_PLACEMENT_2, m_nProductType, kTextFieldLength});
    items.clear();
    for (const CWrittenItem& item : written) {
        CEepromBytes bytes{item.szName, 0, {}};
        int nResult = GetEEAddr(item.eAddrType, item.nMapProductType, bytes.nAddress, strError);
        if (nResult == Result::Ok)
            nResult = link.ReadEEByAddr(static_cast<WORD>(bytes.nAddress), static_cast<UCHAR>(item.nSize), bytes.bytes, strError);
        if (nResult != Result::Ok)
            return nResult;
        items.push_back(bytes);
    }
    return Result::Ok;
}

CSettingValues CSettingsModel::ValuesOfBytes(const std::vector<CEepromBytes>& items) const
{
    CSettingValues values;
    std::vector<std::vector<BYTE>> placement;
    for (const CEepromBytes& item : items) {
        if (item.strName == kInstallerName) {
            values.strInstaller = InstallerText(item.bytes);
        } else if (item.strName == kPlacementName) {
            placement.push_back(item.bytes);
        } else if (item.strName == kInstallationDateName) {
            std::vector<BYTE> record = item.bytes;
            record.resize(kDateRecordLength);
            values.date = RecordDate(record);
        } else {
            DWORD dwStored = 0;
            for (std::size_t i = item.bytes.size(); i-- > 0;)
                dwStored = dwStored << 8 | item.bytes[i]; // little-endian, as in its row
            NoteStoredValue(FindField(item.strName), item.strName, dwStored, values);
        }
    }
    if (placement.size() == 2)
        values.strPlacement = PlacementText(placement[0], placement[1]);
    return values;
}

int CSettingsModel::RestoreBytes(CVelmorTPExt& link, const std::vector<CEepromBytes>& items, CWriteJournal& journal,
                                 std::string& strError, const std::string& strUnitSerial)
{
    journal = CWriteJournal();
    int nResult = CheckTarget(link, strUnitSerial, journal, strError);
    if (nResult != Result::Ok)
        return nResult;
    // Only where this product's write goes: a backup writes nothing else.
    std::vector<CEepromBytes> places;
    if ((nResult = ReadWrittenBytes(link, places, strError)) != Result::Ok)
        return nResult;
    const auto samePlace = [](const CEepromBytes& a, const CEepromBytes& b) {
        return a.strName == b.strName && a.nAddress == b.nAddress && a.bytes.size() == b.bytes.size();
    };
    if (!std::ranges::equal(items, places, samePlace)) {
        strError = PickText("The backup does not fit the product definition in force; nothing was written.",
                            "Die Sicherung passt nicht zur gültigen Produktdefinition; nichts wurde geschrieben.");
        return Result::InvalidArgument;
    }
    // The values the backup changes back, as a read finds them.
    const CSettingValues restored = ValuesOfBytes(items);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] != places[i] && journal.Find(items[i].strName) == nullptr)
            journal.entries.push_back({.strName = items[i].strName,
                                       .strAttempted = ValueText(restored, items[i].strName),
                                       .bDerived = FindField(items[i].strName) == nullptr && !IsInstallationItem(items[i].strName)});
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == places[i])
            continue;
        if (Journal(journal, items[i].strName, nResult = PatchRow(link, items[i], strError)) != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}
