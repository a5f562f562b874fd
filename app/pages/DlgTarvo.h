#pragma once
// The settings pages of the two flush valve generations: CDlgTarvo
// (product type 1) and CDlgTarvoV2 (type 2). They share their rows; the
// first generation hides the on/off switch mode, on the second its box
// switches the runtime off.

#include "app/pages/SettingsPage.h"

class CDlgTarvo : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgTarvo(const CPageContext& context, QWidget* pParent = nullptr);

protected:
    bool IsGroupHidden(const CPageGroup& group) const override;
};

class CDlgTarvoV2 : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgTarvoV2(const CPageContext& context, QWidget* pParent = nullptr);
};
