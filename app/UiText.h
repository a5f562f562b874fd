#pragma once
// The window's texts: a text in both languages picked by the language in
// force, the tooltip rule and the controls' object names.

#include <QString>
#include <QWidget>

#include <map>

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

// The object name of a control: "id" and its id, as the tests find it.
QString ControlName(int nId);
// The child control with that id; nullptr for none.
template <class Control = QWidget>
Control* ChildById(const QWidget* pParent, int nId)
{
    return pParent->findChild<Control*>(ControlName(nId));
}

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
