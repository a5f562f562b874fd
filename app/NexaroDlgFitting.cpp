// The main window following the fitting: the connection states the monitor
// reports, a fitting waiting in its boot loader, and the Next read.

#include "app/NexaroDlg.h"

#include "app/AppGlobals.h"
#include "app/DlgConnectionInformation.h"
#include "app/ErrorBox.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "workflow/FittingReadout.h"

#include <utility>

void CNexaroDlg::OnAdapterChosen()
{
    m_link.IdentifyAnew();
    m_bAdapterChosen = true;
}

void CNexaroDlg::OnMonitorState(int nState)
{
    // Another fitting on the adapter just chosen: the work view of the one
    // before would lie about it.
    const bool bOtherFitting = nState == kConnectionOtherUnit || nState == kConnectionUnknownFitting || nState == kConnectionOtherProduct;
    if (std::exchange(m_bAdapterChosen, false) && bOtherFitting && m_nViewMode != kStartView) {
        SetViewMode(kStartView);
        m_recorder.EndVisit(); // its report is no longer the one at hand
    }
    OnConnectionState(0, nState);
    // The fitting answers again after a write was cut off: what it holds
    // is not what the page shows.
    if (nState == kConnectionKnownFitting && IsWriteCutOff() && m_nViewMode != kStartView && m_dlgConnectionInformation != nullptr)
        m_dlgConnectionInformation->ShowReadAgain();
}

void CNexaroDlg::OnConnectionState(std::uintptr_t bClose, int nState)
{
    m_nConnState = nState;
    // Another unit, or none: what it runs is known again after Next.
    if (nState != kConnectionKnownFitting && nState != kConnectionInBootloader)
        m_session.SetRunningFirmware({}, false);
    UpdateTexts(g_nLanguage);
    int nIcon = 0;
    switch (nState) {
    case kConnectionKnownFitting:
    case kConnectionOtherUnit:
    case kConnectionOtherProduct: {
        m_pCanvas->m_stcConnState->SetTextColor(kGreen);
        nIcon = nState == kConnectionOtherProduct ? 110 : 144;
        CDeviceConfig definition;
        if (m_session.Catalog().FindDefinition(m_link.GetArticleNumber(), definition)) {
            std::string strDescription;
            std::string strExtended;
            definition.GetProductDescription(g_nLanguage, strDescription, strExtended);
            if (m_nViewMode == kStartView)
                m_pCanvas->m_stcCenterText->setText(QString::fromStdString(strDescription));
            m_pCanvas->m_btnNext->setEnabled(m_nViewMode == kStartView);
        }
        m_pCanvas->m_stcCenterText->SetTextColor(Qt::black);
        break;
    }
    case kConnectionNoFitting:
    case kConnectionUnknownFitting:
    case kConnectionInBootloader:
        m_pCanvas->m_stcConnState->SetTextColor(kDarkRed);
        nIcon = nState == kConnectionNoFitting ? 145 : 111;
        m_pCanvas->m_stcCenterText->SetTextColor(kGrey);
        break;
    default:
        return;
    }
    m_pCanvas->m_imgState.LoadResource(nIcon);
    m_pCanvas->m_imgState.ApplyPremultipliedAlpha();
    if (nState == kConnectionInBootloader) {
        OnFittingInBootloader();
        return;
    }
    if (m_nViewMode == kStartView)
        return;
    // A fitting that is gone, unknown or another product locks the window on
    // the configuration of the product in force.
    const bool bLock = nState == kConnectionNoFitting || nState == kConnectionUnknownFitting || nState == kConnectionOtherProduct;
    if (bLock) {
        const QSignalBlocker blocker(m_pCanvas->m_tabPages);
        m_pCanvas->m_tabPages->setCurrentIndex(1);
    }
    m_pCanvas->m_tabPages->EnableTabs(!bLock);
    if (bLock)
        OnTabChanged();
    if (m_onConnectionDialog)
        m_onConnectionDialog(bClose, nState);
}

void CNexaroDlg::OnFittingInBootloader()
{
    if (m_onConnectionDialog)
        m_onConnectionDialog(1, kConnectionInBootloader); // "connection terminated" no longer holds
    m_session.SetRunningFirmware({}, true);

    CDeviceConfig definition;
    const bool bProgrammable = IsServiceMode() && m_session.Catalog().FindDefinition(m_link.GetArticleNumber(), definition);
    const bool bToolsShown = m_nViewMode != kStartView && m_pCanvas->m_tabPages->currentIndex() == kToolsTab;
    if (bProgrammable && !bToolsShown) {
        // The product whose image the Tools page programs.
        m_session.SetCurrentConfig(definition);
        SetViewMode(kWorkView);
        ShowDescriptions();
        std::string strIgnored;
        m_session.SelectProduct(definition.GetConfigSheet(), strIgnored);
        LoadProductPicture(strIgnored);
    }
    if (m_nViewMode != kStartView) {
        // Only programming helps: the window stays on the page that does it,
        // or on the configuration without service mode.
        const QSignalBlocker blocker(m_pCanvas->m_tabPages);
        m_pCanvas->m_tabPages->setCurrentIndex(bProgrammable ? kToolsTab : 1);
        m_pCanvas->m_tabPages->EnableTabs(false);
        OnTabChanged();
    }
    if (!bToolsShown)
        ShowErrorMessage(this, std::string(PickText("The faucet is waiting in its boot loader: it has no working application.",
                                                    "Die Armatur wartet in ihrem Bootloader: Sie hat keine funktionsfähige Applikation."))
                                   + "\n\n"
                                   + (bProgrammable ? PickText("Program its firmware on the Tools page: choose the file and press \"Start programming\".",
                                                               "Programmieren Sie ihre Firmware auf der Seite \"Tools\": Wählen Sie die Datei und drücken Sie \"Start Programmierung\".")
                                                    : PickText("A service technician must program its firmware.",
                                                               "Ihre Firmware muss von einem Servicetechniker programmiert werden.")));
}

void CNexaroDlg::ReadConnectedProduct()
{
    if (!m_jobs.CanStart())
        return;
    m_recorder.AskTechnicianOnce();
    m_strRecordWarning.clear();
    // One job sequence for the identification and every page's read: the
    // hour glass turns from the start and the monitors' messages wait for
    // the last page.
    const CFittingJobOwner::CSequence sequence(m_jobs, 7, true);
    CFittingIdentity identity;
    std::string strError;
    const int nIdentified = m_jobs.Run(0, [&](std::string& strJobError) {
        return IdentifyFitting(m_link, m_session.Catalog(), identity, strJobError);
    }, strError);
    m_session.SetRunningFirmware(nIdentified == Result::Ok ? identity.strSoftwareVersion : std::string(),
                                 nIdentified == Result::Ok && identity.bInBootloader);
    // A fitting in its boot loader has no settings to read.
    if (nIdentified == Result::Ok && identity.bDefinitionFound && !identity.bInBootloader) {
        m_session.SetCurrentConfig(identity.definition);
        SetLanguage(g_nLanguage);
        SetViewMode(kWorkView);
        ShowDescriptions();
        std::string strIgnored;
        if (m_session.SelectProduct(identity.definition.GetConfigSheet(), strIgnored) == Result::Ok) {
            LoadProductPicture(strIgnored);
            const auto parameter = [&identity](const char* szName) {
                CStringParameter value;
                std::string strUnused;
                return identity.moduleInformation.GetParameterByName(szName, value, strUnused) == Result::Ok
                           ? QString::fromStdString(value.GetValue())
                           : QString();
            };
            m_pCanvas->m_stcDeviceInfo[7]->setText(parameter("BL version"));
            m_pCanvas->m_stcDeviceInfo[5]->setText(parameter("SW version"));
            m_pCanvas->m_stcDeviceInfo[3]->setText(parameter("Serial number"));
            m_pCanvas->m_stcDeviceInfo[1]->setText(QString::fromStdString(identity.strProductionDate));
            m_nConnState = kConnectionKnownFitting;
            OnConnectionState(0, kConnectionKnownFitting);
            m_recorder.StartVisit(identity); // the pages' reads record into it
            m_Pages.SendToAll(kWmReadFromTarget, strIgnored);
        }
    }
    m_pCanvas->update();
}

void CNexaroDlg::NoteWriteOutcome(WriteOutcome eOutcome)
{
    m_eWriteOutcome = eOutcome;
    m_timeWriteOutcome = QTime::currentTime();
    ShowWriteOutcome();
    // The fitting may have been silent only for a moment: the monitor tells
    // when it answers again, or at once when it still does.
    if (eOutcome == kWriteCutOff)
        m_link.IdentifyAnew();
}

void CNexaroDlg::ShowWriteOutcome()
{
    const QString time = m_timeWriteOutcome.toString(QStringLiteral("HH:mm:ss"));
    CColorStatic* pLine = m_pCanvas->m_stcWriteOutcome;
    pLine->SetTextColor(m_eWriteOutcome == kWritten ? kGreen : kDarkRed);
    QString outcome;
    switch (m_eWriteOutcome) {
    case kWritten:
        outcome = UiText("Settings written to the faucet at %1.", "Einstellungen um %1 in die Armatur geschrieben.").arg(time);
        break;
    case kWriteCutOff:
        outcome = UiText("Write cut off at %1: the faucet may hold a mix of old and new settings.",
                         "Schreiben um %1 unterbrochen: Die Armatur hält womöglich alte und neue Einstellungen gemischt.")
                      .arg(time);
        break;
    case kWriteNotHeld:
        outcome = UiText("Written at %1, but the faucet does not hold every value: see the marked fields.",
                         "Um %1 geschrieben, aber die Armatur hält nicht jeden Wert: siehe die markierten Felder.")
                      .arg(time);
        break;
    case kWriteUnverified:
        outcome = UiText("Written at %1, but the write could not be checked: read the faucet again.",
                         "Um %1 geschrieben, das Schreiben konnte aber nicht geprüft werden: Lesen Sie die Armatur erneut aus.")
                      .arg(time);
        break;
    case kNoWriteOutcome:
        break;
    }
    pLine->setTextFormat(m_strRecordWarning.isEmpty() ? Qt::PlainText : Qt::RichText);
    pLine->setText(m_strRecordWarning.isEmpty() ? outcome : WithRecordWarning(outcome, m_eWriteOutcome != kWritten && m_eWriteOutcome != kNoWriteOutcome));
    if (m_strRecordWarning.isEmpty())
        pLine->setToolTip(QString());
    pLine->setVisible(m_nViewMode != kStartView && !pLine->text().isEmpty());
}
