#pragma once
// The About window: program and version, the maker's address and register
// details, clickable mail and web lines, and the non-warranty statement. One
// window, shown again on every request.

#include <QDialog>

#include <vector>

class CColorStatic;
class QPushButton;

class CDlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* pParent);

    void ShowAbout();
    void SetLanguage(int nLanguage);

protected:
    bool event(QEvent* pEvent) override;
    void reject() override { hide(); }

private:
    CColorStatic* AddStatic(int nId, const QRect& geometry, bool bBold = false);

    struct BilingualText {
        CColorStatic* pStatic;
        const char* szEnglish;
        const char* szGerman;
    };
    std::vector<BilingualText> m_texts;
    QPushButton* m_pClose;
};
