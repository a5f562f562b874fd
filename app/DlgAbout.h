#pragma once
// The About window: program and version, the maker's address and register
// details, clickable mail and web lines, and the non-warranty statement. One
// window, shown again on every request.

#include "app/LanguageDialog.h"


class CColorStatic;
class QPushButton;

class CDlgAbout : public CLanguageDialog {
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* pParent);

    void ShowAbout();
    void SetLanguage(int nLanguage) override;

protected:
    void reject() override { hide(); }

private:
    CColorStatic* AddStatic(int nId, const QRect& geometry, bool bBold = false);

    QPushButton* m_pClose;
};
