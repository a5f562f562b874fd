#pragma once
// The connection dialog: pops up in the work view when the connection state
// changes and offers to read a new fitting. While it is shown the main window
// is disabled, so the dialog is a window of its own (a child would be
// disabled with it); the main window deletes it before it goes.

#include "app/LanguageDialog.h"
#include "app/UiText.h"


#include <cstdint>
#include <map>
#include <string>

class CColorStatic;
class CNexaroDlg;
class QPushButton;

class CDlgConnectionInformation : public CLanguageDialog {
    Q_OBJECT
public:
    // Follows the main window's connection states from now on.
    explicit CDlgConnectionInformation(CNexaroDlg& mainDlg);
    ~CDlgConnectionInformation() override;

    // The dialog's part of a connection state the main window applies in
    // the work view: the product line, then the state shown or, with the
    // close flag, the dialog closed.
    void OnConnectionState(std::uintptr_t bClose, int nState);

    // Fills and shows the dialog for a connection state; state 1 hides it.
    void ShowState(int nState);
    // The fitting answers again after a write to it was cut off: reading
    // is offered, and Close keeps the settings shown for writing them again.
    void ShowReadAgain();
    // 1 disables the main window and shows the dialog centred over it; 0
    // hides it and hands the main window back.
    void ShowDialog(int bShow);
    void SetLanguage(int nLanguage) override;
    // Close, Escape, the close box, and the main window applying a state
    // with close flag 1.
    void CloseDialog();
    // The tooltip text of a control id, cut to 79 characters; empty for none.
    QString ToolTipText(int nControlId) const { return m_mapToolTips.Text(nControlId); }

protected:
    void reject() override { CloseDialog(); }

private:
    CNexaroDlg& m_mainDlg;
    CColorStatic* AddStatic(int nId, const QRect& geometry, int nFontPixels);
    void OnRead();
    // "(description)" of the connected fitting's product for states 2 and
    // 5, hidden otherwise.
    void ShowProductLine(int nState);

    CColorStatic* m_pHeadline;
    CColorStatic* m_pProductLine;
    CColorStatic* m_pExplanation;
    CColorStatic* m_pQuestion;
    QPushButton* m_pRead;
    QPushButton* m_pClose;
    QRect m_rectRead;  // the buttons' places as laid out
    QRect m_rectClose;
    CToolTipMap m_mapToolTips;
    bool m_bReadAgain = false; // ShowReadAgain is on show
};
