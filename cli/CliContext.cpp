#include "cli/CliContext.h"

#include "common/Language.h"
#include "devicelink/VelmorTPExt.h"

#include <QJsonDocument>

#include <cstdio>

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
    std::fprintf(stderr, "%s\n", (bPrefixed ? strError : strPrefix + " " + strError).c_str());
    if (!strHint.empty())
        std::fprintf(stderr, "%s\n", strHint.c_str());
    return ExitFailed;
}
