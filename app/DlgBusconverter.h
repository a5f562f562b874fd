#pragma once
// The bus adapter dialog: lists the attached bus adapters and opens or
// closes one. The main window disables itself while the dialog is shown, so
// the dialog is a window of its own (a child would be disabled with it);
// the main window deletes it before it goes.

#include "app/LanguageDialog.h"
#include "app/UiText.h"
#include "devicelink/AdapterPort.h"

#include <QPointer>

#include <map>
#include <string>
#include <vector>

class CColorStatic;
class CVelmorTPFTDI;
class QComboBox;
class QPushButton;

class CDlgBusconverter : public CLanguageDialog {
    Q_OBJECT
public:
    // The main window is disabled while the dialog is open; closing it
    // enables the main window again.
    CDlgBusconverter(CVelmorTPFTDI& link, QWidget* pMainWindow);

    void SetLanguage(int nLanguage) override;
    // Lists the adapters anew with their serial numbers, or says that none
    // was found; a single one is opened right away.
    int Rescan(std::string& strError);
    // The tooltip text of a control id, cut to 79 characters; empty for none.
    QString ToolTipText(int nControlId) const { return m_mapToolTips.Text(nControlId); }

signals:
    // The technician chose an adapter (Open, or Rescan found a single one)
    // and it is open now.
    void AdapterOpened();
    // The technician chose another port; every link of the process follows it.
    void PortChosen(EAdapterPortKind eKind);

protected:
    // Escape and the close box.
    void reject() override;

private:
    void OnRescan();
    void OnOpen();
    void OnPortChosen();
    void FillPortChoices(int nLanguage);
    int OpenSelectedAdapter(std::string& strError);

    CVelmorTPFTDI& m_link;
    QPointer<QWidget> m_pMainWindow;
    CColorStatic* m_pLabel;
    QComboBox* m_pAdapters;
    CColorStatic* m_pPortLabel;
    QComboBox* m_pPorts; // the port kinds this system has, as their data
    QPushButton* m_pOpen;
    QPushButton* m_pClose;
    QPushButton* m_pRescan;
    CToolTipMap m_mapToolTips;
    std::vector<CAdapterDevice> m_adapters; // listed, in adapter number order
};
