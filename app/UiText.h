#pragma once
// The window's texts: a text in both languages picked by the language in
// force, and the tooltip rule.

#include <QString>

#include <map>

class QWidget;

// A text in both languages.
struct CUiText {
    const char* szEnglish = nullptr;
    const char* szGerman = nullptr;
    // The text in the language in force; empty for a text without words.
    QString Text() const;
};

// The text in the language in force, or in the language given.
QString UiText(const char* szEnglish, const char* szGerman);
QString UiText(int nLanguage, const char* szEnglish, const char* szGerman);

// A window's tooltip texts by control id. A text is shown whole up to 79
// characters and cut beyond: the answer buffer of a tooltip holds 80 bytes.
class CToolTipMap {
public:
    static constexpr int kMaxLength = 79;
    void Clear() { m_texts.clear(); }
    // Keeps the text for the id and gives the control the text shown.
    void Set(QWidget* pControl, int nId, const QString& text);
    // The text shown for a control id; empty for none.
    QString Text(int nId) const;

private:
    std::map<int, QString> m_texts;
};
