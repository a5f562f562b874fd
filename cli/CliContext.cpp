#include "cli/CliContext.h"

#include "common/Language.h"

#include <QJsonDocument>

#include <cstdio>

QString Label(const char* szEnglish, const char* szGerman)
{
    return QString::fromUtf8(PickText(szEnglish, szGerman));
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
    std::fprintf(stderr, "%s %s\n", PickText("Error:", "Fehler:"), strError.c_str());
    if (szHintEnglish != nullptr)
        std::fprintf(stderr, "%s\n", PickText(szHintEnglish, szHintGerman));
    return ExitFailed;
}
