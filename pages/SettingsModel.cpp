#include "pages/SettingsModel.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "common/TimeService.h"
#include "configdata/ToolConfigXML.h"
#include "configdata/XMLLib.h"
#include "devicelink/VelmorTPExt.h"
#include "fitting/Bcd.h"
#include "pages/FaucetSettings.h"
#include "pages/FlushValveSettings.h"
#include "pages/SettingValue.h"
#include "pages/UrinalWcSettings.h"
#include "workflow/FittingReadout.h"
#include "workflow/ProductCatalog.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

constexpr int kTextFieldLength = 15;
constexpr int kPlacementLength = 2 * kTextFieldLength;
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

// The Windows-1252 byte of one UTF-8 character; '?' for one it lacks.
char Windows1252Byte(const std::string& strCharacter)
{
    const auto byLead = static_cast<unsigned char>(strCharacter[0]);
    char32_t cCode = byLead;
    if (strCharacter.size() > 1) {
        cCode = byLead & (0x3F >> (strCharacter.size() - 1));
        for (std::size_t i = 1; i < strCharacter.size(); ++i)
            cCode = (cCode << 6) | (static_cast<unsigned char>(strCharacter[i]) & 0x3F);
    }
    if (cCode < 0x80 || (cCode >= 0xA0 && cCode <= 0xFF))
        return static_cast<char>(cCode);
    for (int nByte = 0x80; nByte < 0xA0; ++nByte) {
        const char cByte = static_cast<char>(nByte);
        if (XmlText::Windows1252ToUtf8(&cByte, 1) == strCharacter)
            return cByte;
    }
    return '?';
}

// Calls back with each UTF-8 character of the text.
template <class Visit>
void ForEachCharacter(const std::string& strText, Visit visit)
{
    for (std::size_t i = 0; i < strText.size();) {
        const auto byLead = static_cast<unsigned char>(strText[i]);
        std::size_t nLength = byLead >= 0xF0 ? 4 : byLead >= 0xE0 ? 3 : byLead >= 0xC0 ? 2 : 1;
        nLength = std::min(nLength, strText.size() - i);
        visit(strText.substr(i, nLength));
        i += nLength;
    }
}

std::string ToWindows1252(const std::string& strText)
{
    std::string strBytes;
    ForEachCharacter(strText, [&strBytes](const std::string& strCharacter) { strBytes += Windows1252Byte(strCharacter); });
    return strBytes;
}

std::vector<BYTE> TextBytes(const std::array<BYTE, 16>& line)
{
    return {line.begin(), line.begin() + kTextFieldLength};
}

// Year, month and day of a stored record; not set when one is marked 0x00
// or 0xFF, or when they make no date.
CDate RecordDate(const std::vector<BYTE>& record)
{
    for (std::size_t i = 0; i < 3; ++i)
        if (record[i] == 0x00 || record[i] == 0xFF || !IsBcd(record[i]))
            return {};
    const CDate date{2000 + BcdToInt(record[0]), BcdToInt(record[1]), BcdToInt(record[2])};
    using namespace std::chrono;
    const year_month_day ymd{year(date.nYear), month(static_cast<unsigned>(date.nMonth)),
                             day(static_cast<unsigned>(date.nDay))};
    return ymd.ok() ? date : CDate{};
}

// A saved text setting into a text; a text of digits alone comes back from
// the file as a number.
int LoadText(CDeviceConfig& file, const char* szName, std::string& strText, std::string& strError)
{
    CProductSetting* pSetting = nullptr;
    const int nResult = file.m_Settings.LookupObjectByName(szName, pSetting, MustExist, strError);
    if (nResult != Result::Ok)
        return nResult;
    const bool bText = !pSetting->GetText().empty() || pSetting->GetValue() == 0;
    strText = bText ? pSetting->GetText() : FormatText("%u", pSetting->GetValue());
    return Result::Ok;
}

// The fields a product type keeps: a variant leaves out the others' own.
std::vector<CSettingField> FieldsOfType(const CSettingsFamily& family, int nProductType)
{
    std::vector<CSettingField> fields;
    for (const CSettingField& field : family.fields)
        if (field.nOnlyProductType == 0 || field.nOnlyProductType == nProductType)
            fields.push_back(field);
    return fields;
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

// A text as a saved file can hold it: no XML file holds a control
// character, so each becomes U+FFFD (which no fitting's text reads as).
std::string FileText(const std::string& strText)
{
    std::string strFile;
    for (const char c : strText)
        strFile += static_cast<unsigned char>(c) < 0x20 ? std::string("\xEF\xBF\xBD") : std::string(1, c);
    return strFile;
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

constexpr std::array<const CSettingsFamily& (*)(), 4> kFamilies{FaucetFamily, FlushValveFamily, FlushValveV2Family,
                                                                UrinalWcFamily};

} // namespace

bool IsFlagOn(const CSettingField& field, DWORD dwValue)
{
    return field.bOnOnlyAtOne ? dwValue == 1 : dwValue != 0;
}

const CSettingsFamily* FindSettingsFamily(int nProductType)
{
    for (const auto family : kFamilies)
        if (std::ranges::find(family().productTypes, nProductType) != family().productTypes.end())
            return &family();
    return nullptr;
}

const CSettingsFamily* FindSheetFamily(const std::string& strConfigSheet)
{
    for (const auto family : kFamilies)
        if (IsFamilySheet(family(), strConfigSheet))
            return &family();
    return nullptr;
}

bool IsFamilySheet(const CSettingsFamily& family, const std::string& strConfigSheet)
{
    return std::ranges::find(family.configSheets, strConfigSheet) != family.configSheets.end();
}

int CheckDefinitionFitsFields(CDeviceConfig& definition, std::string& strError)
{
    int nProductType = 0;
    std::string strIgnored;
    const CSettingsFamily* pFamily = ProductNameToType(definition.GetConfigSheet(), nProductType, strIgnored) == Result::Ok
                                         ? FindSettingsFamily(nProductType)
                                         : nullptr;
    if (pFamily == nullptr)
        return Result::Ok;
    for (const CSettingField& field : FieldsOfType(*pFamily, nProductType)) {
        CProductSetting* pSetting = nullptr;
        if (definition.m_Settings.LookupObjectByName(field.szName, pSetting, MustExist, strIgnored) != Result::Ok)
            continue;
        const std::uint64_t ullLargest = (std::uint64_t{1} << (8 * field.nSize)) - 1;
        if (std::uint64_t{pSetting->GetMax()} * field.dwScale <= ullLargest)
            continue;
        strError = FormatText(PickText("The maximum (%u) of the setting '%s' does not fit into its %d byte(s) in the fitting; it may be at most %u.",
                                       "Das Maximum (%u) der Einstellung '%s' passt nicht in ihre %d Byte(s) in der Armatur; es darf höchstens %u sein."),
                              pSetting->GetMax(), field.szName, field.nSize, static_cast<unsigned>(ullLargest / field.dwScale));
        return Result::InvalidArgument;
    }
    return Result::Ok;
}

CDate Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string DateText(const CDate& date)
{
    return date.IsSet() ? FormatText("%02d.%02d.%04d", date.nDay, date.nMonth, date.nYear) : std::string();
}

DWORD CSettingValues::Number(const std::string& strName) const
{
    const auto it = numbers.find(strName);
    return it != numbers.end() ? it->second : 0;
}

std::array<BYTE, 16> InstallerLine(const std::string& strInstaller)
{
    const std::string strBytes = ToWindows1252(strInstaller);
    std::array<BYTE, 16> line{};
    for (std::size_t i = 0; i < std::min<std::size_t>(strBytes.size(), kTextFieldLength); ++i) {
        if (static_cast<BYTE>(strBytes[i]) < 0x20)
            break;
        line[i] = static_cast<BYTE>(strBytes[i]);
    }
    return line;
}

std::array<std::array<BYTE, 16>, 2> PlacementLines(const std::string& strPlacement)
{
    const std::string strBytes = ToWindows1252(strPlacement);
    std::array<std::array<BYTE, 16>, 2> lines{};
    for (std::size_t i = 0; i < std::min<std::size_t>(strBytes.size(), kPlacementLength); ++i)
        if (static_cast<BYTE>(strBytes[i]) >= 0x20)
            lines[i / kTextFieldLength][i % kTextFieldLength] = static_cast<BYTE>(strBytes[i]);
    return lines;
}

bool IsStorableText(const std::string& strText)
{
    bool bStorable = true;
    ForEachCharacter(strText, [&bStorable](const std::string& strCharacter) {
        bStorable = bStorable && (strCharacter == "?" || Windows1252Byte(strCharacter) != '?');
    });
    return bStorable;
}

std::string StoredInstaller(const std::string& strInstaller)
{
    return InstallerText(TextBytes(InstallerLine(strInstaller)));
}

std::string StoredPlacement(const std::string& strPlacement)
{
    const auto lines = PlacementLines(strPlacement);
    return PlacementText(TextBytes(lines[0]), TextBytes(lines[1]));
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

// ---- CSettingsModel --------------------------------------------------------

CSettingsModel::CSettingsModel(const CSettingsFamily& family, const CDeviceConfig& definition, int nProductType)
    : m_Family(family), m_Fields(FieldsOfType(family, nProductType)), m_Definition(definition), m_nProductType(nProductType)
{
}

const CSettingField* CSettingsModel::FindField(const std::string& strName) const
{
    const auto it = std::ranges::find_if(m_Fields, [&](const CSettingField& field) { return strName == field.szName; });
    return it != m_Fields.end() ? &*it : nullptr;
}

std::vector<std::string> CSettingsModel::Switches() const
{
    std::vector<std::string> names;
    for (const CSettingField& field : m_Fields)
        if (field.szSwitch != nullptr && std::ranges::find(names, field.szSwitch) == names.end())
            names.emplace_back(field.szSwitch);
    return names;
}

int CSettingsModel::GetSetting(const std::string& strName, const CProductSetting*& pSetting, std::string& strError)
{
    CProductSetting* pFound = nullptr;
    const int nResult = m_Definition.m_Settings.LookupObjectByName(strName, pFound, MustExist, strError);
    pSetting = pFound;
    return nResult;
}

std::vector<std::string> CSettingsModel::Labels(const std::string& strName)
{
    std::vector<std::string> labels;
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (GetSetting(strName, pSetting, strIgnored) == Result::Ok)
        pSetting->GetSymbolicLabels(g_nLanguage, labels);
    return labels;
}

int CSettingsModel::CheckValue(const std::string& strName, const std::string& strText, DWORD& dwValue,
                               std::string& strError)
{
    return CheckSettingValue(m_Definition, strName, strText, dwValue, strError);
}

std::optional<std::string> CSettingsModel::StepValue(const std::string& strName, const std::string& strText, int nStep)
{
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (GetSetting(strName, pSetting, strIgnored) != Result::Ok)
        return strText;
    return StepSettingValue(*pSetting, strText, nStep);
}

std::string CSettingsModel::ShownText(const CSettingField& field, DWORD dwValue)
{
    std::string strLabel;
    const CProductSetting* pSetting = nullptr;
    std::string strIgnored;
    if (field.eKind == SettingKind::Symbolic && GetSetting(field.szName, pSetting, strIgnored) == Result::Ok
        && pSetting->GetSymbolicLabel(g_nLanguage, dwValue, strLabel))
        return strLabel;
    return FormatText("%u", dwValue);
}

// A group that is off shows 1 in its row, as the fitting's 0 is no value of it.
void CSettingsModel::ShowValue(const CSettingField& field, DWORD dwValue)
{
    if (field.eKind == SettingKind::Flag) {
        m_Form.switches[field.szName] = IsFlagOn(field, dwValue);
        return;
    }
    if (field.bZeroMeansOff) {
        m_Form.switches[field.szSwitch] = dwValue != 0;
        if (dwValue == 0)
            dwValue = 1;
    }
    m_Form.texts[field.szName] = ShownText(field, dwValue);
}

int CSettingsModel::ResetToDefaults(std::string& strError)
{
    for (const CSettingField& field : m_Fields) {
        const CProductSetting* pSetting = nullptr;
        if (field.bZeroMeansOff) {
            const int nResult = GetSetting(field.szSwitch, pSetting, strError);
            if (nResult != Result::Ok)
                return nResult;
            m_Form.switches[field.szSwitch] = pSetting->GetDefault() != 0;
            // A list whose default sets the box keeps its label; an empty
            // one would write its group off however the box stands.
            if (field.eKind == SettingKind::Symbolic && field.szSwitch == std::string(field.szName)) {
                if (m_Form.texts[field.szName].empty())
                    m_Form.texts[field.szName] = ShownText(field, 1);
                continue;
            }
        }
        const int nResult = GetSetting(field.szName, pSetting, strError);
        if (nResult != Result::Ok)
            return nResult;
        if (field.eKind == SettingKind::Flag)
            m_Form.switches[field.szName] = pSetting->GetDefault() != 0;
        else
            m_Form.texts[field.szName] = ShownText(field, pSetting->GetDefault());
    }
    return Result::Ok;
}

int CSettingsModel::SymbolicValue(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError)
{
    std::string& strText = m_Form.texts[field.szName];
    dwValue = 0;
    if (strText.empty() && ePurpose == Purpose::Write)
        return Result::Ok;
    const CProductSetting* pSetting = nullptr;
    const int nResult = GetSetting(field.szName, pSetting, strError);
    if (nResult != Result::Ok)
        return nResult;
    if (strText.empty()) {
        std::vector<std::string> labels;
        pSetting->GetSymbolicLabels(g_nLanguage, labels);
        if (labels.empty())
            return Result::Ok;
        strText = labels.front();
    }
    if (pSetting->GetSymbolicValue(g_nLanguage, strText, dwValue))
        return Result::Ok;
    return CheckSettingValue(*pSetting, strText, dwValue, strError);
}

// The value the control shows, whether or not its group is on.
int CSettingsModel::ControlValue(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError)
{
    if (field.eKind == SettingKind::Flag) {
        dwValue = m_Form.switches[field.szName] ? 1 : 0;
        return Result::Ok;
    }
    return field.eKind == SettingKind::Symbolic ? SymbolicValue(field, ePurpose, dwValue, strError)
                                                : CheckValue(field.szName, m_Form.texts[field.szName], dwValue, strError);
}

int CSettingsModel::CollectField(const CSettingField& field, Purpose ePurpose, DWORD& dwValue, std::string& strError)
{
    if (IsKept(field.szName)) {
        dwValue = m_LastRead.Number(field.szName);
        return Result::Ok;
    }
    const bool bOn = !field.bZeroMeansOff || m_Form.switches[field.szSwitch];
    dwValue = 0;
    if (!bOn && ePurpose == Purpose::Save && !field.bSaveChecksWhenOff)
        return Result::Ok;
    const int nResult = ControlValue(field, ePurpose, dwValue, strError);
    if (nResult == Result::Ok && !bOn)
        dwValue = 0;
    return nResult;
}

int CSettingsModel::CollectValues(Purpose ePurpose, CSettingValues& values, std::string& strError,
                                  std::string& strFailedField)
{
    values = CSettingValues();
    strFailedField.clear();
    for (const CSettingField& field : m_Fields) {
        DWORD dwValue = 0;
        const int nResult = CollectField(field, ePurpose, dwValue, strError);
        if (nResult != Result::Ok) {
            strFailedField = field.szName;
            return nResult;
        }
        values.numbers[field.szName] = dwValue;
    }
    values.strInstaller = IsKept(kInstallerName) ? m_LastRead.strInstaller : StoredInstaller(m_Form.strInstaller);
    values.strPlacement = IsKept(kPlacementName) ? m_LastRead.strPlacement : StoredPlacement(m_Form.strPlacement);
    values.date = IsKept(kInstallationDateName) ? m_LastRead.date : m_Form.date.IsSet() ? m_Form.date : Today();
    return Result::Ok;
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

int CSettingsModel::PrepareWrite(CSettingValues& values, std::string& strError, std::string& strFailedField)
{
    const int nResult = CollectValues(Purpose::Write, values, strError, strFailedField);
    if (nResult != Result::Ok || m_Family.pCrossCheck == nullptr)
        return nResult;
    return m_Family.pCrossCheck(values, strError);
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

int CSettingsModel::SaveConfiguration(CToolConfigXML& file, std::string& strError, std::string& strFailedField)
{
    CSettingValues values;
    const int nResult = CollectValues(Purpose::Save, values, strError, strFailedField);
    if (nResult != Result::Ok)
        return nResult;
    PutValuesIntoFile(values, file);
    return Result::Ok;
}

void CSettingsModel::PutValuesIntoFile(const CSettingValues& values, CToolConfigXML& file) const
{
    file.Clear();
    for (const std::string& strName : m_Family.saveOrder) {
        const CSettingField* pField = FindField(strName);
        if (pField == nullptr)
            continue;
        const DWORD dwValue = values.Number(strName);
        file.SetSettingValue(strName, pField->eKind == SettingKind::Flag ? (IsFlagOn(*pField, dwValue) ? 1u : 0u) : dwValue);
    }
    file.SetSettingText(kInstallerName, FileText(values.strInstaller));
    file.SetSettingText(kPlacementName, FileText(values.strPlacement));
    file.SetArticleNumber(m_Definition.GetArticleNumber());
    file.SetConfigSheet(m_Definition.GetConfigSheet());
}

int CSettingsModel::LoadFile(CDeviceConfig& file, std::string& strError, std::string& strFailedField)
{
    strFailedField.clear();
    for (const std::string& strName : m_Family.saveOrder) {
        const CSettingField* pField = FindField(strName);
        if (pField == nullptr)
            continue;
        const CSettingField& field = *pField;
        CProductSetting* pSetting = nullptr;
        std::string strLookupError;
        const int nResult = file.m_Settings.LookupObjectByName(strName, pSetting, MustExist, strLookupError);
        if (nResult != Result::Ok && field.bLoadIfPresent)
            continue;
        if (nResult != Result::Ok) {
            strError = strLookupError;
            strFailedField = strName;
            return nResult;
        }
        if (field.eKind == SettingKind::Flag || pSetting->GetText().empty()) {
            ShowValue(field, pSetting->GetValue());
        } else {
            // Not a number: shown as it stands, for the value check to refuse.
            if (field.bZeroMeansOff)
                m_Form.switches[field.szSwitch] = true;
            m_Form.texts[strName] = pSetting->GetText();
        }
    }
    int nResult = LoadText(file, kInstallerName, m_Form.strInstaller, strError);
    if (nResult != Result::Ok) {
        strFailedField = kInstallerName;
        return nResult;
    }
    if ((nResult = LoadText(file, kPlacementName, m_Form.strPlacement, strError)) != Result::Ok)
        strFailedField = kPlacementName;
    return nResult;
}

int CSettingsModel::LoadConfiguration(CDeviceConfig& file, std::string& strError)
{
    // All or nothing: a file that lacks an entry leaves the controls as they were.
    const CSettingsForm before = m_Form;
    std::string strFailedField;
    const int nResult = LoadFile(file, strError, strFailedField);
    if (nResult != Result::Ok)
        m_Form = before;
    return nResult;
}

int CSettingsModel::CheckConfiguration(CDeviceConfig& file, std::string& strError, std::string& strFailedField)
{
    // A file is taken when it could have been saved: every entry is there
    // and every value passes the checks of saving.
    const CSettingsForm before = m_Form;
    int nResult = LoadFile(file, strError, strFailedField);
    CSettingValues values;
    if (nResult == Result::Ok)
        nResult = CollectValues(Purpose::Save, values, strError, strFailedField);
    m_Form = before;
    return nResult;
}

void CSettingsModel::KeepWhatTheFileLeaves(CDeviceConfig& file)
{
    CToolConfigXML fitting;
    PutValuesIntoFile(m_LastRead, fitting);
    std::vector<std::string> names{kInstallerName, kPlacementName};
    for (const CSettingField& field : m_Fields)
        names.emplace_back(field.szName);
    m_Kept = {kInstallationDateName};
    for (const std::string& strName : names) {
        CProductSetting* pInFile = nullptr;
        CProductSetting* pOfFitting = nullptr;
        std::string strIgnored;
        // A setting the file lacks fails the load, or is kept when it may be missing.
        if (file.m_Settings.LookupObjectByName(strName, pInFile, MustExist, strIgnored) != Result::Ok
            || (fitting.GetConfig().m_Settings.LookupObjectByName(strName, pOfFitting, MustExist, strIgnored) == Result::Ok
                && pInFile->GetValue() == pOfFitting->GetValue() && pInFile->GetText() == pOfFitting->GetText()))
            m_Kept.insert(strName);
    }
}

namespace {

struct CWrittenItem {
    const char* szName;
    EEAddrType eAddrType;
    int nMapProductType;
    int nSize;
};

} // namespace

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
