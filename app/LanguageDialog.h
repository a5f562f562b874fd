#pragma once
// A dialog of the main window that follows the language: the window's
// language message (0x407) makes it set its texts anew.

#include <QDialog>

class CLanguageDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    virtual void SetLanguage(int nLanguage) = 0;

protected:
    bool event(QEvent* pEvent) override;
};
