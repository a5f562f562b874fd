// The main window and the service record: the technician's name, the
// record's warnings on the status line and the last-service line.

#include "app/NexaroDlg.h"

#include "app/DlgTechnician.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"

void CNexaroDlg::ConnectRecorder()
{
    m_recorder.SetTechnicianQuestion([this](QString& name) { return AskTechnicianName(this, name); });
    connect(&m_recorder, &CServiceRecorder::Warning, this, [this](const QString& shown, const QString& full) {
        m_strRecordWarning = shown;
        m_pCanvas->m_stcWriteOutcome->setToolTip(full);
        ShowWriteOutcome();
    });
    connect(&m_recorder, &CServiceRecorder::LastServiceChanged, this, &CNexaroDlg::ShowLastService);
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
