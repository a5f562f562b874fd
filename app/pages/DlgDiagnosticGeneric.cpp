#include "app/pages/DlgDiagnosticGeneric.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/FittingJobOwner.h"
#include "app/ErrorBox.h"
#include "app/ProductSession.h"
#include "app/ServiceRecorder.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "app/widgets/ControlElements.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "workflow/ServiceRecording.h"

#include <QPainter>
#include <QPushButton>

namespace {

constexpr int kErrorRowStep = 21;

} // namespace

CDlgDiagnosticGeneric::CDlgDiagnosticGeneric(const CPageContext& context, QWidget* pParent) : CPageBase("GenericDiagnostics", context, pParent)
{
    AddStatic(1095, 12, true);
    for (int i = 0; i < 5; ++i) {
        m_pLines[i] = AddStatic(1104 + i);
        m_pLines[i]->setVisible(i == 0);
    }
    AddStatic(1097, 12, true);
    m_pValveText = AddStatic(1100);
    m_pValveText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    AddStatic(1103, 11);
    for (int nId : {1239, 1240, 1241})
        AddLine(nId);
    m_pRead = AddButton(1117);
    m_pClear = AddButton(1115);
    m_pValve = AddButton(1102);
    m_pValve->setFont(g_fontSmall);
    connect(m_pRead, &QPushButton::clicked, this, &CDlgDiagnosticGeneric::ReadHistory);
    connect(m_pClear, &QPushButton::clicked, this, &CDlgDiagnosticGeneric::ClearHistory);
    connect(m_pValve, &QPushButton::clicked, this, &CDlgDiagnosticGeneric::SwitchValveByHand);
    SetLanguage(g_nLanguage);
    ArrangeControls();
}

void CDlgDiagnosticGeneric::SetLanguage(int nLanguage)
{
    OnValveState(0);
    const auto set = [this, nLanguage](int nId, const char* szEnglish, const char* szGerman) {
        ChildById(this, nId)->setProperty("text", UiText(nLanguage, szEnglish, szGerman));
    };
    set(1095, "Error history", "Fehlerspeicher");
    set(1097, "Valve", "Magnetventil");
    set(1103, "Manual switch", "Manuell schalten");
    set(1115, "Clear error history", "Fehlerspeicher löschen");
    set(1117, "Read error history", "Fehlerspeicher auslesen");
    UpdateErrorDisplay();
    SetToolTip(m_pClear, 1115, "Clears the error history", "Löscht den Fehlerspeicher");
    SetToolTip(m_pRead, 1117, "Read the error history", "Liest den Fehlerspeicher");
    SetToolTip(m_pValve, 1102, "Switch the valve to the open or close state", "Schaltet das Ventil ein oder aus");
}

void CDlgDiagnosticGeneric::ArrangeControls()
{
    const auto child = [this](int nId) { return ChildById(this, nId); };
    const int nColumn = PageGeometry::ColumnWidth(width());
    // Left half: the headline and five error lines in 21-pixel rows.
    CControlOption history(width());
    history.SetTitle(child(1095));
    history.SetLine(child(1239));
    history.SetPosition(PageGeometry::kFirstColumnLeft, PageGeometry::kColumnTop / 2);
    history.Arrange();
    for (int i = 0; i < 5; ++i)
        m_pLines[i]->setGeometry(PageGeometry::kFirstColumnLeft, history.GetNextPosition().y() + kErrorRowStep * i, nColumn, 18);
    m_pRead->setGeometry(width() / 2 - 221, height() - 77, 200, 25);
    m_pClear->setGeometry(width() / 2 - 221, height() - 46, 200, 25);
    // Right half: the valve's state and its switch.
    CControlOption valve(width());
    valve.SetTitle(child(1097));
    valve.SetLine(child(1240));
    valve.SetPosition(PageGeometry::SecondColumnLeft(nColumn), PageGeometry::kColumnTop / 2);
    valve.Arrange();
    const QPoint stateRow = valve.GetNextPosition();
    m_pValveText->setGeometry(stateRow.x(), stateRow.y(), nColumn - 24, 18);
    CControlLabelAndButton manual(width());
    manual.SetLabel(child(1103));
    manual.SetButton(m_pValve);
    manual.SetPosition(stateRow.x(), stateRow.y() + PageGeometry::kRowStep);
    manual.Arrange();
    child(1241)->setGeometry(stateRow.x(), manual.GetNextPosition().y() + 4, nColumn, 2);
}

void CDlgDiagnosticGeneric::UpdateErrorDisplay()
{
    std::vector<std::string> lines;
    std::string strError;
    if (!m_history.bCountRead)
        lines.emplace_back(PickText("No error known", "Kein Fehler bekannt"));
    else if (ErrorHistoryLines(m_history, Session().ProductType(), lines, strError) != Result::Ok)
        return;
    for (int i = 0; i < 5; ++i) {
        const bool bShown = i < static_cast<int>(lines.size());
        m_pLines[i]->setVisible(bShown);
        if (bShown)
            m_pLines[i]->setText(QString::fromStdString(lines[static_cast<std::size_t>(i)]));
    }
}

bool CDlgDiagnosticGeneric::event(QEvent* pEvent)
{
    // A file opened or another product in force: the history shown belonged
    // to the fitting read before.
    const unsigned nMessage = CWindowMessage::MessageOf(pEvent);
    if (nMessage == kWmConfigurationLoaded || nMessage == kWmTakeDefaults) {
        ShowHistory(CErrorHistory{});
        return true;
    }
    return CPageBase::event(pEvent);
}

void CDlgDiagnosticGeneric::OnReadFromTarget()
{
    ReadHistory();
}

void CDlgDiagnosticGeneric::ShowHistory(const CErrorHistory& history)
{
    m_history = history;
    // The count decides how the first line looks and whether Clear is offered.
    m_pLines[0]->SetTextColor(m_history.byCount != 0 ? QColor(Qt::black) : kLightGrey);
    m_pClear->setEnabled(m_history.byCount != 0);
    UpdateErrorDisplay();
}

void CDlgDiagnosticGeneric::ReadHistory()
{
    if (Jobs().CanStart())
        RunHistoryJob(ReadErrorHistory, ServiceEventKind::ErrorsRead);
}

void CDlgDiagnosticGeneric::ClearHistory()
{
    if (!Jobs().CanStart()
        || !AskQuestion(window(), "Information",
                        PickText("Do you want to reset the error history?", "Möchten Sie die Fehlerhistorie zurücksetzen?")))
        return;
    // The history shown afterwards is what the fitting holds, read back.
    RunHistoryJob(ClearErrorHistory, ServiceEventKind::ErrorsCleared);
}

void CDlgDiagnosticGeneric::RunHistoryJob(HistoryJob job, ServiceEventKind eKind)
{
    // A clear shows only a history read back whole, and is recorded with the
    // history it cleared.
    const bool bClear = eKind == ServiceEventKind::ErrorsCleared;
    const CErrorHistory before = m_history;
    CProductSession& session = Session();
    const int nProductType = session.ProductType();
    CErrorHistory history = m_history;
    std::string strError;
    const int nResult = Jobs().Run(0, [&](std::string& strJobError) {
        const int nJobResult = session.CheckArticleNumber(strJobError);
        return nJobResult != Result::Ok ? nJobResult : job(session.Link(), nProductType, history, strJobError);
    }, strError);
    Recorder().Record(eKind, nResult, strError,
                      bClear ? ErrorHistoryItems(history, &before)
                             : history.bComplete ? ErrorHistoryItems(history) : std::vector<CServiceItem>());
    ShowHistory(history.bComplete || !bClear ? history : m_history);
    if (nResult != Result::Ok)
        ShowJobError(nResult, strError);
}

void CDlgDiagnosticGeneric::SwitchValveByHand()
{
    if (!Jobs().CanStart())
        return;
    const bool bOpen = m_nValveState != 2;
    CVelmorTPExt& link = Session().Link();
    std::string strError;
    const int nResult = Jobs().Run(0, [&](std::string& strJobError) { return SwitchValve(link, bOpen, strJobError); }, strError);
    if (nResult != Result::Ok)
        ShowJobError(nResult, strError);
    // The display changes when the valve monitor reports the new state.
}

void CDlgDiagnosticGeneric::OnValveState(std::intptr_t lParam)
{
    m_nValveState = lParam != 0 ? 2 : 1;
    m_imgValve.LoadResource(m_nValveState == 2 ? 144 : 145);
    m_imgValve.ApplyPremultipliedAlpha();
    const bool bOpen = m_nValveState == 2;
    m_pValveText->setText(bOpen ? UiText("Opened", "Geöffnet") : UiText("Closed", "Geschlossen"));
    m_pValve->setText(bOpen ? UiText("Close valve", "Ventil schliessen") : UiText("Open valve", "Ventil öffnen"));
    update();
}

void CDlgDiagnosticGeneric::OnEnableFittingOperations(bool bEnable)
{
    for (QPushButton* pButton : {m_pClear, m_pRead, m_pValve})
        pButton->setEnabled(bEnable);
}

void CDlgDiagnosticGeneric::paintEvent(QPaintEvent* pEvent)
{
    CPageBase::paintEvent(pEvent);
    QPainter painter(this);
    painter.setPen(QColor(214, 210, 210));
    const int nMiddle = (width() + 1) / 2;
    painter.drawLine(nMiddle, 6, nMiddle, height() - 7);
    const QRect text = m_pValveText->geometry();
    m_imgValve.Draw(painter, QRect(text.right() + 1 + 6, text.top(), m_imgValve.Width(), m_imgValve.Height()));
}
