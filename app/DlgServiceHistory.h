#pragma once
// The service history of one unit: its visits newest first, what a chosen
// visit read and changed, and the list exported as CSV.

#include "app/LanguageDialog.h"
#include "servicelog/ServiceRecord.h"

#include <functional>
#include <vector>

class CFileChooser;
class CProductSession;
class CServiceRecorder;
class QLabel;
class QPushButton;
class QTreeWidget;

class CDlgServiceHistory : public CLanguageDialog {
    Q_OBJECT
public:
    CDlgServiceHistory(CServiceRecorder& recorder, CFileChooser& files, CProductSession& session, QWidget* pParent);

    // The visits of the unit identified last, read anew.
    void ShowHistory();
    void SetLanguage(int nLanguage) override;
    // Writes the list shown as CSV; the file dialog asks where.
    void ExportCsv();

    // The export's file choice; tests answer it instead of a person.
    std::function<QString()> m_chooseExportFile;

private:
    void Reload();
    void ShowVisit(int nRow);

    CServiceRecorder& m_recorder;
    CFileChooser& m_files;
    CProductSession& m_session; // names the settings of the unit's product
    std::vector<CVisitSummary> m_visits; // as listed
    QLabel* m_pUnit;
    QTreeWidget* m_pVisits;
    QLabel* m_pDetailTitle;
    QTreeWidget* m_pDetail;
    QPushButton* m_pExport;
    QPushButton* m_pClose;
};
