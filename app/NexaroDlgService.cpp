// The main window and the service record: the technician's name, the
// record's warnings on the status line, the last-service line and the
// service report.

#include "app/NexaroDlg.h"

#include "app/Controls.h"
#include "app/DlgTechnician.h"
#include "app/ErrorBox.h"
#include "app/MainMenu.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "report/ServiceReport.h"
#include "workflow/FailureHints.h"

#include <QDate>
#include <QFileInfo>
#include <QMenuBar>

void CNexaroDlg::ConnectRecorder()
{
    m_recorder.SetTechnicianQuestion([this](QString& name) { return AskTechnicianName(this, name); });
    connect(&m_recorder, &CServiceRecorder::Warning, this, [this](const QString& shown, const QString& full) {
        m_strRecordWarning = shown;
        m_pCanvas->m_stcWriteOutcome->setToolTip(full);
        ShowWriteOutcome();
    });
    connect(&m_recorder, &CServiceRecorder::LastServiceChanged, this, &CNexaroDlg::ShowLastService);
    connect(&m_recorder, &CServiceRecorder::LastServiceChanged, this, &CNexaroDlg::EnableServiceReport);
}

void CNexaroDlg::EnableServiceReport()
{
    if (auto* pAction = menuBar()->findChild<QAction*>(ControlName(kCmdSaveServiceReport)))
        pAction->setEnabled(m_recorder.CurrentVisit() != 0);
}

void CNexaroDlg::SaveServiceReport()
{
    const long long llVisit = m_recorder.CurrentVisit();
    if (llVisit == 0)
        return;
    const QString proposedName = QStringLiteral("service-report-%1-%2.pdf")
                                     .arg(QString::fromStdString(m_recorder.CurrentUnit().strSerialNumber), QDate::currentDate().toString(Qt::ISODate));
    QString path = m_chooseReportFile ? m_chooseReportFile(proposedName)
                                      : m_files.ChooseSaveFile(this, CFileChooser::kServiceReport, UiText("PDF files (*.pdf)", "PDF-Dateien (*.pdf)"),
                                                               proposedName);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    std::string strError;
    if (WriteServiceReport(m_recorder.Log(), llVisit, m_session.Catalog(), path.toStdString(), strError) != Result::Ok) {
        ShowErrorMessage(this, WithDetails(PickText("The service report could not be saved. Choose a folder you can write to and try again.",
                                                    "Der Servicebericht konnte nicht gespeichert werden. Wählen Sie einen Ordner, in den Sie "
                                                    "schreiben dürfen, und versuchen Sie es erneut."),
                                           strError));
        return;
    }
    // Said on the status line, as a write is; the next write's word replaces it.
    CColorStatic* pLine = m_pCanvas->m_stcWriteOutcome;
    pLine->SetTextColor(kGreen);
    pLine->setTextFormat(Qt::PlainText);
    pLine->setText(UiText("Service report saved as %1.", "Servicebericht als %1 gespeichert.").arg(QFileInfo(path).fileName()));
    pLine->setVisible(m_nViewMode != kStartView);
}

void CNexaroDlg::ChangeTechnician()
{
    QString name = m_recorder.Technician();
    if (AskTechnicianName(this, name))
        m_recorder.SetTechnician(name);
}

// A record that failed never fails the job: it is only said here, smaller,
// below the word on the write in its own colour.
QString CNexaroDlg::WithRecordWarning(const QString& outcome, bool bCutOff) const
{
    const QString line = QStringLiteral("<span style=\"color:%1\">%2</span>");
    return QStringLiteral("<div style=\"font-size:10px\">%1%2</div>")
        .arg(outcome.isEmpty() ? QString() : line.arg(QColor(bCutOff ? kDarkRed : kGreen).name(), outcome.toHtmlEscaped()) + QStringLiteral("<br>"),
             line.arg(QColor(kDarkRed).name(), m_strRecordWarning.toHtmlEscaped()));
}

void CNexaroDlg::ShowLastService()
{
    const CServiceRecorder::CLastService& last = m_recorder.LastService();
    QString text = UiText("First service of this unit", "Erster Service dieses Geräts");
    if (last.previous.isValid()) {
        text = UiText("Last service %1", "Letzter Service %1").arg(last.previous.toString(QStringLiteral("dd.MM.yyyy")));
        if (last.nChanged >= 0)
            text += QStringLiteral(" · ")
                    + (last.nChanged == 1 ? UiText("1 setting changed since", "1 Einstellung seitdem geändert")
                                          : UiText("%1 settings changed since", "%1 Einstellungen seitdem geändert").arg(last.nChanged));
    }
    m_pCanvas->m_stcLastService->setText(text);
    m_pCanvas->m_stcLastService->setVisible(m_nViewMode != kStartView && last.bShown);
}
