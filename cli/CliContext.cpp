#include "cli/CliContext.h"

#include "cli/AdapterJobs.h"

#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QDateTime>
#include <QJsonDocument>

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
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")).toStdString();
}

bool IsTerminal(std::FILE* pFile)
{
    return FLUXA_ISATTY(FLUXA_FILENO(pFile)) != 0;
}

QString Label(const char* szEnglish, const char* szGerman)
{
    return QString::fromUtf8(PickText(szEnglish, szGerman));
}

void AddArticle(CCliReport& report, const std::string& strArticle)
{
    report.Add(QStringLiteral("article"), QString(), strArticle);
    report.Add(QStringLiteral("articleFormatted"), Label("Article number", "Artikelnummer"), FormatArticleNumber(strArticle));
}

void CCliContext::Print(const CCliReport& report) const
{
    if (pJob != nullptr) {
        pJob->Keep(report);
        return;
    }
    const QByteArray text = bJson ? QJsonDocument(report.ToJson()).toJson(QJsonDocument::Indented)
                                  : report.ToText().toUtf8();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
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

void CCliContext::Identified(const std::string& strArticle, const std::string& strUnitSerial) const
{
    if (pJob != nullptr)
        pJob->SetUnit(strArticle, strUnitSerial);
}

void CCliContext::NotHeld(const QStringList& settings) const
{
    if (pJob != nullptr)
        pJob->SetNotHeld(settings);
}
