#pragma once
// The settings page of the sensor basin faucets (product types 3, 6, 7):
// the faucet family's rows and groups, with the variants of the types.

#include "app/pages/SettingsPage.h"

class CDlgAmbra : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgAmbra(const CPageContext& context, QWidget* pParent = nullptr);

protected:
    bool IsRowHidden(const CPageRow& row) const override;
    bool IsGroupHidden(const CPageGroup& group) const override;
    CUiText RowLabel(const CPageRow& row) const override;
    CUiText RowTip(const CPageRow& row) const override;
};
