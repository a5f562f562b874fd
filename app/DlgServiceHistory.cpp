#include "app/DlgServiceHistory.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/ErrorBox.h"
#include "app/FileChooser.h"
#include "app/ProductSession.h"
#include "app/ServiceRecorder.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "pages/SettingCaptions.h"
#include "report/ServiceReport.h"
#include "servicelog/VisitCsv.h"
#include "workflow/ServiceRecording.h"

#include <QHeaderView>
#include <QLabel>
#include <QSaveFile>
#include <QTreeWidget>

namespace {

QTreeWidget* AddTree(QWidget* pParent, int nId, const QRect& geometry, int nColumns)
{
    auto* pTree = NewControl<QTreeWidget>(pParent, nId, geometry);
    pTree->setColumnCount(nColumns);
    pTree->setRootIsDecorated(false);
    pTree->setUniformRowHeights(true);
    pTree->header()->setStretchLastSection(true);
    return pTree;
}

// An item by the words of the pages; a setting with its unit.
QString ItemName(const CServiceEvent& event, const CServiceItem& item, int nProductType)
{
    if (event.eKind != ServiceEventKind::SettingsRead && event.eKind != ServiceEventKind::SettingsWritten)
        return QString::fromStdString(ServiceItemCaption(item.strName));
    const CSettingCaption caption = SettingCaption(item.strName, nProductType);
    const QString text = QString::fromStdString(caption.strText);
    return *caption.szUnit == '\0' ? text : QStringLiteral("%1 [%2]").arg(text, QString::fromUtf8(caption.szUnit));
}

// One event: its time, what it was and how it ended, then its items.
void AddEvent(QTreeWidget* pTree, const CServiceEvent& event, int nProductType)
{
    const QString result = event.nResult == Result::Ok
                               ? UiText("done", "erledigt")
                               : UiText("failed: %1", "fehlgeschlagen: %1").arg(QString::fromStdString(event.strMessage));
    auto* pEvent = new QTreeWidgetItem(pTree, {LocalServiceTime(event.strTime) + QStringLiteral("  ") + QString::fromUtf8(ServiceEventTitle(event.eKind)),
                                               QString(), result});
    pEvent->setFirstColumnSpanned(true);
    QFont bold = pTree->font();
    bold.setBold(true);
    pEvent->setFont(0, bold);
    for (const CServiceItem& item : event.items) {
        auto* pItem = new QTreeWidgetItem(pTree, {QStringLiteral("    ") + ItemName(event, item, nProductType), QString::fromStdString(item.strBefore),
                                                  QString::fromStdString(item.strAfter + VerdictText(item))});
        if (!item.IsHeld())
            pItem->setForeground(2, kDarkRed);
    }
}

} // namespace

CDlgServiceHistory::CDlgServiceHistory(CServiceRecorder& recorder, CFileChooser& files, CProductSession& session, QWidget* pParent)
    : CLanguageDialog(pParent), m_recorder(recorder), m_files(files), m_session(session)
{
    setObjectName(QStringLiteral("CDlgServiceHistory"));
    setModal(true);
    setFixedSize(DluSize(440, 300));
    setFont(DialogFont());
    m_pUnit = NewControl<QLabel>(this, 1530, DluRect(7, 7, 426, 10));
    m_pVisits = AddTree(this, 1531, DluRect(7, 20, 426, 80), 5);
    m_pDetailTitle = NewControl<QLabel>(this, 1532, DluRect(7, 106, 426, 10));
    m_pDetail = AddTree(this, 1533, DluRect(7, 118, 426, 158), 3);
    m_pExport = NewButton(this, 1534, DluRect(7, 281, 90, 14));
    m_pClose = NewButton(this, 1535, DluRect(343, 281, 90, 14));
    // German headers are the longer ones.
    const int nVisitColumns[] = {130, 115, 165, 75};
    for (int i = 0; i < 4; ++i)
        m_pVisits->setColumnWidth(i, nVisitColumns[i]);
    m_pDetail->setColumnWidth(0, 260);
    m_pDetail->setColumnWidth(1, 150);
    connect(m_pVisits, &QTreeWidget::currentItemChanged, this, [this] { ShowVisit(m_pVisits->currentIndex().row()); });
    connect(m_pExport, &QPushButton::clicked, this, &CDlgServiceHistory::ExportCsv);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);
    SetLanguage(g_nLanguage);
}

void CDlgServiceHistory::ShowHistory()
{
    Reload();
    show();
    raise();
    activateWindow();
}

void CDlgServiceHistory::SetLanguage(int nLanguage)
{
    setWindowTitle(UiText(nLanguage, "Service history", "Servicehistorie"));
    m_pDetailTitle->setText(UiText(nLanguage, "What the visit read and changed:", "Was der Besuch gelesen und geändert hat:"));
    m_pExport->setText(UiText(nLanguage, "Export CSV ...", "CSV exportieren ..."));
    m_pClose->setText(UiText(nLanguage, "Close", "Schließen"));
    m_pVisits->setHeaderLabels({UiText(nLanguage, "Date", "Datum"), UiText(nLanguage, "Technician", "Techniker"), UiText(nLanguage, "Adapter", "Adapter"),
                                UiText(nLanguage, "Events", "Ereignisse"), UiText(nLanguage, "Settings changed", "Geänderte Einstellungen")});
    m_pDetail->setHeaderLabels({UiText(nLanguage, "Event", "Ereignis"), UiText(nLanguage, "Before", "Vorher"), UiText(nLanguage, "After", "Nachher")});
    if (isVisible())
        Reload(); // the event names and results follow the language
}

void CDlgServiceHistory::Reload()
{
    const int nSelected = std::max(0, m_pVisits->currentIndex().row());
    m_visits.clear();
    m_pVisits->clear();
    m_pDetail->clear();
    const CServiceUnit& unit = m_recorder.CurrentUnit();
    std::string strError;
    if (unit.strArticleNumber.empty()) {
        m_pUnit->setText(UiText("No unit identified yet: press Next first.", "Noch kein Gerät erkannt: Drücken Sie zuerst Weiter."));
    } else if (m_recorder.Log().ListVisits({unit.strSerialNumber, unit.strArticleNumber, ""}, m_visits, strError) != Result::Ok) {
        m_pUnit->setText(QString::fromStdString(strError));
    } else {
        m_pUnit->setText(UiText("Article number %1 · serial number %2", "Artikelnummer %1 · Seriennummer %2")
                             .arg(QString::fromStdString(FormatArticleNumber(unit.strArticleNumber)), QString::fromStdString(unit.strSerialNumber)));
    }
    m_pExport->setEnabled(!m_visits.empty());
    for (const CVisitSummary& visit : m_visits)
        new QTreeWidgetItem(m_pVisits, {LocalServiceTime(visit.strStarted), QString::fromStdString(visit.context.strTechnician),
                                        QString::fromStdString(visit.context.strAdapter), QString::number(visit.nEvents),
                                        QString::number(visit.nSettingsChanged)});
    if (!m_visits.empty())
        m_pVisits->setCurrentItem(m_pVisits->topLevelItem(std::min(nSelected, static_cast<int>(m_visits.size()) - 1)));
}

void CDlgServiceHistory::ShowVisit(int nRow)
{
    m_pDetail->clear();
    if (nRow < 0 || nRow >= static_cast<int>(m_visits.size()))
        return;
    CVisitDetail detail;
    std::string strError;
    if (m_recorder.Log().ReadVisit(m_visits[static_cast<std::size_t>(nRow)].llId, detail, strError) != Result::Ok) {
        new QTreeWidgetItem(m_pDetail, {QString::fromStdString(strError)});
        return;
    }
    int nProductType = 0; // 0: settings by their names
    m_session.FindProductTypeForArticle(detail.summary.unit.strArticleNumber, nProductType);
    for (const CServiceEvent& event : detail.events)
        AddEvent(m_pDetail, event, nProductType);
}

void CDlgServiceHistory::ExportCsv()
{
    const QString path = m_chooseExportFile ? m_chooseExportFile()
                                            : m_files.ChooseSaveFile(this, CFileChooser::kServiceHistory, UiText("CSV files (*.csv)", "CSV-Dateien (*.csv)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const std::string strCsv = VisitListCsv(m_visits);
    if (!file.open(QIODevice::WriteOnly) || file.write(strCsv.data(), static_cast<qint64>(strCsv.size())) < 0 || !file.commit())
        ShowErrorMessage(this, UiText("The file %1 could not be written: %2", "Die Datei %1 konnte nicht geschrieben werden: %2")
                                   .arg(path, file.errorString())
                                   .toStdString());
}
