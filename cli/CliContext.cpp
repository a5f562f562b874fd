#include "cli/CliContext.h"

#include "cli/AdapterJobs.h"

#include "common/Language.h"
#include "common/TimeService.h"
#include "devicelink/VelmorTPExt.h"

#include <chrono>
#include <cstdio>
#if defined(_WIN32)
#include <io.h>
#define FLUXA_ISATTY _isatty
#define FLUXA_FILENO _fileno
#else
#include <unistd.h>
#define FLUXA_ISATTY isatty
#define FLUXA_FILENO fileno
#endif

std::string BackupTimeNow()
{
    const std::tm now = LocalTime(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()));
    char szText[32];
    std::strftime(szText, sizeof szText, "%Y%m%d_%H%M%S", &now);
    return szText;
}

bool IsTerminal(std::FILE* pFile)
{
    return FLUXA_ISATTY(FLUXA_FILENO(pFile)) != 0;
}

std::string Label(const char* szEnglish, const char* szGerman)
{
    return PickText(szEnglish, szGerman);
}

void AddArticle(CCliReport& report, const std::string& strArticle)
{
    report.Add("article", "", strArticle);
    report.Add("articleFormatted", Label("Article number", "Artikelnummer"), FormatArticleNumber(strArticle));
}

void CCliContext::Print(const CCliReport& report) const
{
    if (pJob != nullptr) {
        pJob->Keep(report);
        return;
    }
    const std::string strText = bJson ? report.ToJsonText() : report.ToText();
    std::fwrite(strText.data(), 1, strText.size(), stdout);
    std::fflush(stdout);
}

int CCliContext::Fail(const std::string& strError, const char* szHintEnglish, const char* szHintGerman) const
{
    return Fail(strError, szHintEnglish != nullptr ? std::string(PickText(szHintEnglish, szHintGerman)) : std::string());
}

int CCliContext::Fail(const std::string& strError, const std::string& strHint) const
{
    // Some messages of the core already begin with the word.
    const std::string strPrefix = PickText("Error:", "Fehler:");
    const bool bPrefixed = strError.rfind("Error:", 0) == 0 || strError.rfind("Fehler:", 0) == 0;
    const std::string strMessage = bPrefixed ? strError : strPrefix + " " + strError;
    if (pJob != nullptr)
        pJob->KeepError(strError, strMessage, strHint);
    else
        std::fprintf(stderr, "%s\n", strMessage.c_str());
    if (!strHint.empty() && pJob == nullptr)
        std::fprintf(stderr, "%s\n", strHint.c_str());
    return ExitFailed;
}

void CCliContext::Warn(const std::string& strWarning) const
{
    if (strWarning.empty())
        return;
    const std::string strMessage = std::string(PickText("Warning:", "Warnung:")) + " " + strWarning;
    if (pJob != nullptr)
        pJob->KeepWarning(strMessage);
    else
        std::fprintf(stderr, "%s\n", strMessage.c_str());
}

void CCliContext::Progress(const std::string& strStep, int nPercent) const
{
    if (pJob != nullptr)
        pJob->SetStep(strStep, nPercent);
}

bool CCliContext::Identified(const std::string& strArticle, const std::string& strUnitSerial) const
{
    if (pJob == nullptr)
        return true;
    pJob->SetUnit(strArticle, strUnitSerial);
    return pUnitGate == nullptr || pUnitGate->Pass(*pJob, strUnitSerial);
}

void CCliContext::NotHeld(const std::vector<std::string>& settings) const
{
    if (pJob != nullptr)
        pJob->SetNotHeld(settings);
}
