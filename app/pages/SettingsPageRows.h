#pragma once
// The controls of one row of a settings page; shared by the page's files.

#include "app/pages/SettingsPage.h"
#include "app/widgets/ColorControls.h"

#include <QComboBox>
#include <QPushButton>

struct CSettingsPage::RowControls {
    const CPageRow* pRow;
    const CPageGroup* pGroup;
    CColorStatic* pLabel;
    CColorEdit* pEdit = nullptr;      // Number rows
    QComboBox* pList = nullptr;       // Symbolic rows
    QPushButton* pPlus = nullptr;
    QPushButton* pMinus = nullptr;
    bool bInvalid = false;
    // Why a valid value carries the marker: the fitting holds it between two
    // of the page's steps, or did not keep what was written.
    QString note = {};
    bool IsMarked() const { return bInvalid || !note.isEmpty(); }
    QWidget* Control() const { return pEdit != nullptr ? static_cast<QWidget*>(pEdit) : pList; }
    // The label, the value's control and its "+" and "-", where present.
    std::vector<QWidget*> Widgets() const;
};
