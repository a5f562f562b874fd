#pragma once
// The settings page of the urinal and WC flush controls (product types 4
// and 5): the WC shows its flush volume, the urinal its flush time and its
// pre flushing, stadium mode and airtrap flushing; each variant's groups
// follow the values its product type keeps.

#include "app/pages/SettingsPage.h"

class CDlgUrinalWc : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgUrinalWc(const CPageContext& context, QWidget* pParent = nullptr);
};
