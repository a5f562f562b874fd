#include "app/DlgBusconverter.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/ErrorBox.h"
#include "app/UiText.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPFTDI.h"
#include "workflow/FailureHints.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

// "Adapter number 0 (VB1, D2XX)" or "... (FT12AB, /dev/ttyUSB0)": the USB
// serial number and the way the tool reaches it.
QString AdapterText(int nLanguage, int nAdapter, const CAdapterDevice& adapter)
{
    const QString port = adapter.strPath.empty() ? QStringLiteral("D2XX") : QString::fromStdString(adapter.strPath);
    return UiText(nLanguage, "Adapter number %1 (%2, %3)", "Adapternummer %1 (%2, %3)")
        .arg(nAdapter)
        .arg(QString::fromStdString(adapter.strSerialNumber), port);
}

} // namespace

CDlgBusconverter::CDlgBusconverter(CVelmorTPFTDI& link, QWidget* pMainWindow)
    : CLanguageDialog(nullptr), m_link(link), m_pMainWindow(pMainWindow)
{
    setObjectName(QStringLiteral("CDlgBusconverter"));
    setFixedSize(DluSize(262, 87));
    setFont(DialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));
    m_pLabel = NewControl<CColorStatic>(this, 1027, DluRect(7, 22, 95, 10));
    m_pAdapters = NewControl<QComboBox>(this, 1029, DluRect(105, 20, 150, 14));
    m_pPortLabel = NewControl<CColorStatic>(this, 1410, DluRect(7, 40, 95, 10));
    m_pPorts = NewControl<QComboBox>(this, 1411, DluRect(105, 38, 150, 14));
    m_pRescan = NewButton(this, 1033, DluRect(7, 56, 78, 14));
    m_pOpen = NewButton(this, 1031, DluRect(92, 56, 78, 14));
    m_pClose = NewButton(this, 1032, DluRect(177, 56, 78, 14));
    connect(m_pRescan, &QPushButton::clicked, this, &CDlgBusconverter::OnRescan);
    connect(m_pOpen, &QPushButton::clicked, this, &CDlgBusconverter::OnOpen);
    connect(m_pPorts, &QComboBox::activated, this, &CDlgBusconverter::OnPortChosen);
    connect(m_pClose, &QPushButton::clicked, this, [this] {
        std::string strIgnored;
        m_link.ClosePort(strIgnored);
    });
    SetLanguage(g_nLanguage);
}

void CDlgBusconverter::SetLanguage(int nLanguage)
{
    setWindowTitle(UiText(nLanguage, "VELMOR bus connector selection", "VELMOR Bus Adapter Auswahl"));
    m_pLabel->setText(UiText(nLanguage, "VELMOR bus adapter port:", "VELMOR Bus Adapter:"));
    m_pOpen->setText(UiText(nLanguage, "Open", "Öffnen"));
    m_pClose->setText(UiText(nLanguage, "Close", "Schließen"));
    m_pRescan->setText(UiText(nLanguage, "Rescan", "Neu suchen"));
    m_pPortLabel->setText(UiText(nLanguage, "Port:", "Anschluss:"));
    FillPortChoices(nLanguage);
    for (int i = 0; i < m_pAdapters->count(); ++i)
        m_pAdapters->setItemText(i, AdapterText(nLanguage, i, m_adapters[static_cast<std::size_t>(i)]));
    m_pAdapters->setPlaceholderText(UiText(nLanguage, "No bus adapter found", "Kein Bus Adapter gefunden"));
    m_mapToolTips.Set(m_pOpen, 1031, UiText(nLanguage, "Open the selected interface", "Öffnet die ausgewählte Schnittstelle"));
    m_mapToolTips.Set(m_pClose, 1032, UiText(nLanguage, "Close the interface", "Schliesst eine bereits geöffnete Schnittstelle"));
    m_mapToolTips.Set(m_pRescan, 1033, UiText(nLanguage, "Scan for the connectors", "Sucht nach angeschlossenen Adaptern"));
    m_mapToolTips.Set(m_pAdapters, 1029, UiText(nLanguage, "Selection for the used connector", "Auswahl des Adapters"));
    m_mapToolTips.Set(m_pPorts, 1411, UiText(nLanguage, "How the program reaches the bus adapters", "Wie das Programm die Bus Adapter erreicht"));
}

int CDlgBusconverter::Rescan(std::string& strError)
{
    m_pAdapters->clear();
    m_adapters.clear();
    // Closing a port releases the library, so it may have to be loaded again.
    int nResult = m_link.LoadDriver(strError);
    if (nResult == Result::Ok)
        nResult = m_link.ListAdapters(CVelmorTPFTDI::kAdapterDescription, m_adapters, strError);
    // Without an entry the list shows its placeholder: no adapter found.
    if (nResult != Result::Ok || m_adapters.empty())
        return nResult;
    for (std::size_t i = 0; i < m_adapters.size(); ++i)
        m_pAdapters->addItem(AdapterText(g_nLanguage, static_cast<int>(i), m_adapters[i]));
    m_pAdapters->setCurrentIndex(0);
    if (m_adapters.size() != 1)
        return Result::Ok;
    nResult = m_link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError);
    if (nResult == Result::Ok && m_link.IsPortOpen())
        emit AdapterOpened();
    return nResult;
}

// Asked for by the technician, so an empty list or a failed scan is said.
void CDlgBusconverter::OnRescan()
{
    std::string strError;
    if (Rescan(strError) != Result::Ok)
        ShowErrorMessage(this, WithDetails(PickText("The bus adapters could not be listed. Check that the adapter's driver is installed, then press \"Rescan\" again.",
                                                    "Die Bus Adapter konnten nicht aufgelistet werden. Prüfen Sie, ob der Treiber des Adapters installiert ist, und drücken Sie erneut \"Neu suchen\"."),
                                           strError));
    else if (m_adapters.empty())
        ShowErrorMessage(this, std::string(NoAdapterFoundText()) + " "
                                   + PickText("Plug the bus adapter into the PC, then press \"Rescan\" again.",
                                              "Stecken Sie den Bus Adapter in den PC und drücken Sie dann erneut \"Neu suchen\"."));
}

void CDlgBusconverter::FillPortChoices(int nLanguage)
{
    const QSignalBlocker blocker(m_pPorts);
    m_pPorts->clear();
    m_pPorts->addItem(UiText(nLanguage, "Automatic", "Automatisch"), static_cast<int>(EAdapterPortKind::Auto));
    m_pPorts->addItem(UiText(nLanguage, "D2XX library", "D2XX-Bibliothek"), static_cast<int>(EAdapterPortKind::D2xx));
    if (HasSerialAdapterPort())
        m_pPorts->addItem(UiText(nLanguage, "Serial device (kernel driver)", "Serielles Gerät (Kerneltreiber)"),
                          static_cast<int>(EAdapterPortKind::Serial));
    m_pPorts->setCurrentIndex(m_pPorts->findData(static_cast<int>(GetAdapterPortChoice().eKind)));
}

// The open port is closed and the adapters of the chosen port are listed.
void CDlgBusconverter::OnPortChosen()
{
    CAdapterPortChoice choice = GetAdapterPortChoice();
    choice.eKind = static_cast<EAdapterPortKind>(m_pPorts->currentData().toInt());
    if (choice.eKind == EAdapterPortKind::D2xx)
        choice.strDevicePath.clear(); // a named device is a serial one
    std::string strIgnored; // no port open is fine
    {
        CProtocolLock lock(m_link);
        m_link.ClosePort(strIgnored);
        SetAdapterPortChoice(choice);
    }
    emit PortChosen(choice.eKind);
    OnRescan();
}

void CDlgBusconverter::OnOpen()
{
    std::string strError;
    if (OpenSelectedAdapter(strError) != Result::Ok) {
        ShowErrorMessage(this, strError); // the dialog stays for another choice
        return;
    }
    hide();
    if (m_pMainWindow != nullptr)
        m_pMainWindow->setEnabled(true);
    emit AdapterOpened();
}

int CDlgBusconverter::OpenSelectedAdapter(std::string& strError)
{
    const int nAdapter = m_pAdapters->currentIndex();
    if (nAdapter < 0) {
        // The adapter layer would close the open port and open nothing.
        strError = PickText("No bus adapter is selected. Plug the adapter in, press \"Rescan\" and choose it from the list.",
                            "Es ist kein Bus Adapter ausgewählt. Stecken Sie den Adapter ein, drücken Sie \"Neu suchen\" und wählen Sie ihn aus der Liste.");
        return Result::MissingPrecondition;
    }
    int nResult = m_link.LoadDriver(strError);
    if (nResult != Result::Ok)
        return nResult;
    // Held across both calls so that the connection monitor cannot open the
    // first adapter in between and make a vanished one look opened.
    CProtocolLock lock(m_link);
    nResult = m_link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, nAdapter, strError);
    if (nResult == Result::Ok && !m_link.IsPortOpen()) {
        strError = FormatText(PickText("The bus adapter number %d is not attached any more. Press \"Rescan\" to list the attached adapters.",
                                       "Der Bus Adapter Nummer %d ist nicht mehr angeschlossen. Drücken Sie \"Neu suchen\", um die angeschlossenen Adapter aufzulisten."),
                              nAdapter);
        nResult = Result::MissingPrecondition;
    }
    return nResult;
}

void CDlgBusconverter::reject()
{
    if (m_pMainWindow != nullptr)
        m_pMainWindow->setEnabled(true);
    hide();
}
