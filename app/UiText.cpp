#include "app/UiText.h"

#include "common/Language.h"

#include <QWidget>

QString CUiText::Text() const
{
    return szEnglish == nullptr ? QString() : UiText(szEnglish, szGerman);
}

QString UiText(const char* szEnglish, const char* szGerman)
{
    return QString::fromUtf8(PickText(szEnglish, szGerman));
}

QString UiText(int nLanguage, const char* szEnglish, const char* szGerman)
{
    return QString::fromUtf8(nLanguage == kLanguageEnglish ? szEnglish : szGerman);
}

void CToolTipMap::Set(QWidget* pControl, int nId, const QString& text)
{
    m_texts[nId] = text;
    pControl->setToolTip(Text(nId));
}

QString CToolTipMap::Text(int nId) const
{
    const auto found = m_texts.find(nId);
    return found == m_texts.end() ? QString() : found->second.left(kMaxLength);
}
