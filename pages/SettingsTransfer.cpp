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
    if (nResult == Result::Ok)
        journal.written.push_back(strName);
    else
        journal.strFailed = strName;
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

struct CWrittenItem {
    const char* szName;
    EEAddrType eAddrType;
    int nMapProductType;
    int nSize;
};

} // namespace

std::string WriteEndedEarlyText(const CWriteJournal& journal)
{
    return journal.Touched() ? PickText("The fitting may now hold a mix of old and new settings.",
                                        "Die Armatur hält jetzt womöglich alte und neue Einstellungen gemischt.")
                             : PickText("Nothing was written: the fitting holds its settings as before.",
                                        "Es wurde nichts geschrieben: Die Armatur hält ihre Einstellungen wie zuvor.");
}

int RestartAndWait(CVelmorTPExt& link, const SettingsProgress& progress, bool& bReady, std::string& strError)
{
    bReady = false;
    const int nResult = link.ResetModule(strError);
    if (nResult != Result::Ok)
        return nResult;
    ITimeService& time = TimeService();
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
            strError.clear();
            return Result::Ok;
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
        m_LastRead.numbers[strName] = dwValue;
        ShowValue(*pField, dwValue);
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

int CSettingsModel::WriteToTarget(CVelmorTPExt& link, const SettingsProgress& progress, CWriteJournal& journal,
                                  std::string& strError, std::string& strFailedField)
{
    journal = CWriteJournal();
    strFailedField.clear();
    int nResult = CheckArticleNumber(link, m_Definition.GetArticleNumber(), strError);
    if (nResult != Result::Ok)
        return nResult;
    CSettingValues values;
    if ((nResult = PrepareWrite(values, strError, strFailedField)) != Result::Ok
        || (nResult = CheckApplicationVersion(link, strError)) != Result::Ok)
        return nResult;

    Report(progress, StepWrite, 0);
    int nPosition = 0;
    const std::vector<std::string> sequence = WriteSequence();
    const auto written = [&sequence](const char* szName) { return std::ranges::find(sequence, szName) != sequence.end(); };
    for (const CSettingField& field : m_Fields) {
        if (!written(field.szName))
            continue;
        nResult = WriteValue(link, field.eAddrType, m_Family.nMapProductType, field.nSize,
                             values.Number(field.szName) * field.dwScale, strError);
        if (Journal(journal, field.szName, nResult) != Result::Ok)
            return nResult;
        Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    }
    for (const CDerivedField& derived : m_Family.derived) {
        if (!written(derived.szName))
            continue;
        nResult = WriteValue(link, derived.eAddrType, m_Family.nMapProductType, derived.nSize, derived.pCompute(values), strError);
        if (Journal(journal, derived.szName, nResult) != Result::Ok)
            return nResult;
        Report(progress, StepWrite, nPosition += m_Family.nProgressStep);
    }
    return WriteInstallation(link, values, nPosition, progress, journal, strError);
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

int CSettingsModel::RestoreBytes(CVelmorTPExt& link, const std::vector<CEepromBytes>& items, CWriteJournal& journal,
                                 std::string& strError)
{
    journal = CWriteJournal();
    int nResult = CheckArticleNumber(link, m_Definition.GetArticleNumber(), strError);
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
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == places[i])
            continue;
        if (Journal(journal, items[i].strName, nResult = PatchRow(link, items[i], strError)) != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}
