// The window's service record: a whole visit (identify, read, apply a file,
// clear the errors, program the firmware) with each before → after; the
// last-service line; the history view and its CSV; the service report; the
// technician's name; and a record that cannot be kept, which never fails the
// job.

#include "PdfText.h"
#include "ProductPagesSupport.h"
#include "ToolsTestSupport.h"

#include "AmbraAddresses.h"

#include "app/DlgServiceHistory.h"
#include "app/pages/DlgDiagnosticGeneric.h"
#include "app/ServiceRecorder.h"
#include "report/ServiceReport.h"
#include "servicelog/ServiceLog.h"
#include "servicelog/VisitCsv.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QLineEdit>
#include <QTreeWidget>

#include <sqlite3.h>

namespace {

// A connection of its own to the window's database, as another program holds it.
class RawDatabase {
public:
    explicit RawDatabase(const QString& path) { sqlite3_open(path.toUtf8().constData(), &m_pDb); }
    ~RawDatabase() { sqlite3_close(m_pDb); }
    bool Exec(const char* szSql) { return sqlite3_exec(m_pDb, szSql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    QString Value(const char* szSql)
    {
        sqlite3_stmt* pStatement = nullptr;
        QString value;
        if (sqlite3_prepare_v2(m_pDb, szSql, -1, &pStatement, nullptr) == SQLITE_OK && sqlite3_step(pStatement) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pStatement, 0)));
        sqlite3_finalize(pStatement);
        return value;
    }

private:
    sqlite3* m_pDb = nullptr;
};

QString DatabasePath(const AppEnvironment& env)
{
    return env.Path() + QStringLiteral("/VELMOR/fluxa-usb/service.db");
}

// Every visit of the unit identified last, newest first, read whole.
std::vector<CVisitDetail> VisitsOfUnit(CNexaroDlg& dlg)
{
    const CServiceUnit& unit = dlg.Recorder().CurrentUnit();
    std::vector<CVisitSummary> visits;
    std::vector<CVisitDetail> details;
    std::string strError;
    dlg.Recorder().Log().ListVisits({unit.strSerialNumber, unit.strArticleNumber, ""}, visits, strError);
    for (const CVisitSummary& visit : visits)
        dlg.Recorder().Log().ReadVisit(visit.llId, details.emplace_back(), strError);
    return details;
}

// The first event of the kind over the visits (newest first), or nullptr.
const CServiceEvent* FindEvent(const std::vector<CVisitDetail>& visits, ServiceEventKind eKind)
{
    for (auto visit = visits.rbegin(); visit != visits.rend(); ++visit)
        for (const CServiceEvent& event : visit->events)
            if (event.eKind == eKind)
                return &event;
    return nullptr;
}

// An item as "before -> after", with " (not held)" when the fitting did not keep it.
QString ItemText(const CServiceEvent* pEvent, const char* szName)
{
    if (pEvent == nullptr)
        return QStringLiteral("no event");
    for (const CServiceItem& item : pEvent->items)
        if (item.strName == szName)
            return QString::fromStdString(item.strBefore + " -> " + item.strAfter) + (item.IsHeld() ? QString() : QStringLiteral(" (not held)"));
    return QStringLiteral("no item");
}

// Answers the technician's question with the name (OK) or Cancel, and counts it.
void AnswerTechnician(const QString& name, bool bOk, int* pShown, int nTries = 300)
{
    QTimer::singleShot(10, [=] {
        QWidget* pDialog = QApplication::activeModalWidget();
        if (pDialog == nullptr || pDialog->objectName() != QLatin1String("CDlgTechnician")) {
            if (nTries > 1)
                AnswerTechnician(name, bOk, pShown, nTries - 1);
            return;
        }
        ++*pShown;
        pDialog->findChild<QLineEdit*>(QStringLiteral("id1521"))->setText(name);
        pDialog->findChild<QPushButton*>(bOk ? QStringLiteral("id1522") : QStringLiteral("id1523"))->click();
    });
}

// The window after Next, the fitting's settings read.
void Identify(StartedWindow& window)
{
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
}

// A second Next on the unit a day later: the first visit is moved back, the
// fitting's run times changed meanwhile by someone else.
void ServeAgainLater(AppEnvironment& env, StartedWindow& window)
{
    RawDatabase raw(DatabasePath(env));
    QVERIFY(raw.Exec("UPDATE visits SET started = '2026-03-12T10:00:00Z'; UPDATE events SET time = '2026-03-12T10:05:00Z'"));
    const unsigned char abyRunTimes[4] = {61, 0, 0x90, 0x01}; // 61 s and 400 s
    env.sim.api.WriteEeprom(0, kMaxRuntime, abyRunTimes, 4);
    env.sim.api.FixRowSums(0);
    window.dlg.ReadConnectedProduct();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
}

// Opens a changed file and writes it, with no box but the question before opening.
void ApplyFile(AppEnvironment& env, StartedWindow& window)
{
    MessageBoxWatch boxes(QStringLiteral("Do you want to override the current settings?"));
    const QString file = WriteFaucetFile(env.Path(), "230300301");
    window.dlg.m_chooseOpenFile = [&file] { return file; };
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(boxes.unexpected, QStringList());
}

// Clears the error history and reads it back from the fitting: empty.
void ClearErrors(StartedWindow& window, int& nBefore)
{
    auto* pDiagnostics = window.dlg.findChild<CDlgDiagnosticGeneric*>(QStringLiteral("GenericDiagnostics"));
    pDiagnostics->ReadHistory(); // the file opened took the history read from the page
    nBefore = pDiagnostics->History().byCount;
    MessageBoxWatch boxes(QStringLiteral("Do you want to reset the error history?"));
    pDiagnostics->ClearHistory();
    pDiagnostics->ReadHistory();
    QCOMPARE(boxes.unexpected, QStringList());
    QCOMPARE(static_cast<int>(pDiagnostics->History().byCount), 0);
}

// Writes 42 s maximum run time and a run time the fitting acknowledges but does not keep.
void WriteWithRuntimeNotHeld(AppEnvironment& env, StartedWindow& window, unsigned nRuntime)
{
    const VSimFault ignore{VSIM_FAULT_IGNORE_WRITE, VSIM_TRIGGER_COMMAND, 12, 0, 0, 0, nullptr, nullptr, 0, kRuntime, 2};
    QVERIFY(env.sim.api.AddFault(0, &ignore) > 0);
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("42"));
    window.PageChild<QLineEdit>("Ambra", 1210)->setText(QString::number(nRuntime + 100));
    QString message;
    AnswerMessageBox(QMessageBox::Ok, &message);
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    env.sim.api.ClearFaults();
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 42u);
    QCOMPARE(EepromValue(env.sim, kRuntime, 2), nRuntime);
    // The message names the setting with both values; its field shows what
    // the fitting holds, marked.
    QTRY_VERIFY(!message.isEmpty());
    QVERIFY2(message.contains(QStringLiteral("%1, ").arg(nRuntime + 100)) || message.contains(QString::number(nRuntime + 100)), qPrintable(message));
    QVERIFY2(message.contains(QString::number(nRuntime)), qPrintable(message));
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1210)->text(), QString::number(nRuntime));
    QVERIFY(window.dlg.findChild<CSettingsPage*>(QStringLiteral("Ambra"))->IsMarked("Runtime"));
}

QString LocalDate(const char* szUtc)
{
    return QDateTime::fromString(QString::fromLatin1(szUtc), Qt::ISODate).toLocalTime().toString(QStringLiteral("dd.MM.yyyy"));
}

// Every PDF below the folder, wherever a failed save might have left one.
QStringList PdfFilesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// "Save service report ..." into a folder that is not there, or is a file:
// the message with its hint, and no file.
void SaveReportWhereNoneCanBe(StartedWindow& window, const QDir& folder, const QString& message)
{
    QVERIFY(QFile(folder.filePath(QStringLiteral("notes"))).open(QIODevice::WriteOnly));
    for (const char* szPlace : {"missing/report.pdf", "notes/report.pdf"}) {
        MessageBoxWatch boxes;
        window.dlg.m_chooseReportFile = [&folder, szPlace](const QString&) { return folder.filePath(QString::fromUtf8(szPlace)); };
        window.dlg.findChild<QAction*>(QStringLiteral("id1504"))->trigger();
        QCOMPARE(boxes.unexpected.size(), 1);
        QVERIFY2(boxes.unexpected.front().startsWith(message), qPrintable(boxes.unexpected.front()));
        QCOMPARE(PdfFilesBelow(folder.path()), QStringList());
    }
}

} // namespace

class ServiceRecordTest : public QObject {
    Q_OBJECT
private slots:
    void aWholeVisitHoldsEachBeforeAndAfter();
    void theLastServiceLineFollowsTheUnit_data();
    void theLastServiceLineFollowsTheUnit();
    void theHistoryViewShowsAndExportsTheVisits_data();
    void theHistoryViewShowsAndExportsTheVisits();
    void theServiceReportHoldsWhatTheVisitDid_data();
    void theServiceReportHoldsWhatTheVisitDid();
    void theTechnicianIsAskedOnce();
    void aRecordThatCannotBeKeptNeverFailsTheJob_data();
    void aRecordThatCannotBeKeptNeverFailsTheJob();
};

void ServiceRecordTest::aWholeVisitHoldsEachBeforeAndAfter()
{
    ToolsWindow tools(kLanguageEnglish);
    QVERIFY(tools.page != nullptr);
    StartedWindow& window = *tools.window;
    AppEnvironment& env = tools.env;
    const unsigned nMaxRuntimeBefore = EepromValue(env.sim, kMaxRuntime, 2);
    ApplyFile(env, window);
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 77u);
    QCOMPARE(EepromValue(env.sim, kRuntime, 2), 900u);
    int nErrorsBefore = 0;
    ClearErrors(window, nErrorsBefore);
    QVERIFY(!QTest::currentTestFailed() && nErrorsBefore > 0);

    // Program the firmware.
    const QString image = Firmware(QStringLiteral("faucet_V4.02.hex"));
    tools.ShowToolsTab();
    tools.Choose(image);
    PressStart(tools);
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    const QString mismatch = FlashMismatch(env.sim, image);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    // One visit: the unit served by one technician within the hour.
    const std::vector<CVisitDetail> visits = VisitsOfUnit(window.dlg);
    QCOMPARE(visits.size(), std::size_t(1));
    QCOMPARE(window.dlg.Recorder().CurrentVisit(), visits.front().summary.llId);
    QCOMPARE(QString::fromStdString(visits.back().summary.context.strTechnician), QStringLiteral("K. Weber"));
    QCOMPARE(QString::fromStdString(visits.back().summary.context.strAdapter), QStringLiteral("0 (VB4711, D2XX)"));
    QCOMPARE(QString::fromStdString(visits.back().summary.unit.strSoftwareVersion), QStringLiteral("V1.12"));
    const CServiceEvent* pRead = FindEvent(visits, ServiceEventKind::SettingsRead);
    QCOMPARE(ItemText(pRead, "Maxruntime"), QStringLiteral(" -> ") + QString::number(nMaxRuntimeBefore));
    const CServiceEvent* pWritten = FindEvent(visits, ServiceEventKind::SettingsWritten);
    QVERIFY(pWritten != nullptr && pWritten->nResult == Result::Ok);
    QCOMPARE(ItemText(pWritten, "Maxruntime"), QString::number(nMaxRuntimeBefore) + QStringLiteral(" -> 77"));
    QVERIFY(ItemText(pWritten, "Installer").endsWith(QStringLiteral(" -> Fa. Muster")));
    QVERIFY(ItemText(FindEvent(visits, ServiceEventKind::OperatingData), "HoursTotal").startsWith(QStringLiteral(" -> ")));
    QCOMPARE(ItemText(FindEvent(visits, ServiceEventKind::ErrorsRead), "Count"), QStringLiteral(" -> %1").arg(nErrorsBefore));
    QCOMPARE(ItemText(FindEvent(visits, ServiceEventKind::ErrorsCleared), "Count"), QStringLiteral("%1 -> 0").arg(nErrorsBefore));
    const CServiceEvent* pDownload = FindEvent(visits, ServiceEventKind::FirmwareDownload);
    QVERIFY(pDownload != nullptr && pDownload->nResult == Result::Ok);
    QCOMPARE(ItemText(pDownload, "File"), QStringLiteral(" -> faucet_V4.02.hex"));
    QCOMPARE(ItemText(pDownload, "SHA-256"),
             QStringLiteral(" -> ") + QString::fromLatin1(QCryptographicHash::hash(FileContent(image), QCryptographicHash::Sha256).toHex()));
    QCOMPARE(ItemText(pDownload, "Version"), QStringLiteral("V1.12 -> V4.02"));
    QVERIFY(!window.Child<QLabel>(1500)->text().contains(QStringLiteral("service record")));
}

void ServiceRecordTest::theLastServiceLineFollowsTheUnit_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("later");
    const QString date = LocalDate("2026-03-12T10:00:00Z");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral("First service of this unit")
                        << QStringLiteral("Last service %1 · 2 settings changed since").arg(date);
    QTest::newRow("de") << kLanguageGerman << QStringLiteral("Erster Service dieses Geräts")
                        << QStringLiteral("Letzter Service %1 · 2 Einstellungen seitdem geändert").arg(date);
}

void ServiceRecordTest::theLastServiceLineFollowsTheUnit()
{
    QFETCH(int, language);
    QFETCH(QString, first);
    QFETCH(QString, later);
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    auto* pLine = window.Child<QLabel>(1501);
    QVERIFY(!pLine->isVisible());
    Identify(window);
    QVERIFY(pLine->isVisible());
    QCOMPARE(pLine->text(), first);
    ServeAgainLater(env, window);
    QCOMPARE(pLine->text(), later);
    SaveScreenshot(window.dlg, QStringLiteral("last_service_%1").arg(QString::fromUtf8(QTest::currentDataTag())));
    // Another language says the same.
    window.dlg.findChild<QAction*>(language == kLanguageEnglish ? QStringLiteral("id1071") : QStringLiteral("id1073"))->trigger();
    QVERIFY2(pLine->text().startsWith(language == kLanguageEnglish ? QStringLiteral("Letzter Service ") : QStringLiteral("Last service ")),
             qPrintable(pLine->text()));
}

void ServiceRecordTest::theHistoryViewShowsAndExportsTheVisits_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("written");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral("Service history") << QStringLiteral("Settings written");
    QTest::newRow("de") << kLanguageGerman << QStringLiteral("Servicehistorie") << QStringLiteral("Einstellungen geschrieben");
}

void ServiceRecordTest::theHistoryViewShowsAndExportsTheVisits()
{
    QFETCH(int, language);
    QFETCH(QString, title);
    QFETCH(QString, written);
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    Identify(window);
    const unsigned nMaxRuntime = EepromValue(env.sim, kMaxRuntime, 2);
    const unsigned nRuntime = EepromValue(env.sim, kRuntime, 2);
    WriteWithRuntimeNotHeld(env, window, nRuntime);
    QVERIFY(!QTest::currentTestFailed());
    ServeAgainLater(env, window);

    window.dlg.findChild<QAction*>(QStringLiteral("id1502"))->trigger();
    auto* pDialog = window.dlg.findChild<CDlgServiceHistory*>(QStringLiteral("CDlgServiceHistory"));
    QVERIFY(pDialog != nullptr && pDialog->isVisible());
    QCOMPARE(pDialog->windowTitle(), title);
    auto* pVisits = pDialog->findChild<QTreeWidget*>(QStringLiteral("id1531"));
    QCOMPARE(pVisits->topLevelItemCount(), 2);
    // Newest first: the later visit, then the one that wrote.
    QCOMPARE(pVisits->topLevelItem(1)->text(0), LocalServiceTime("2026-03-12T10:00:00Z"));
    QCOMPARE(pVisits->topLevelItem(1)->text(1), QStringLiteral("K. Weber"));
    QCOMPARE(pVisits->topLevelItem(1)->text(4), QStringLiteral("1")); // the post run time the fitting kept as before is no change
    pVisits->setCurrentItem(pVisits->topLevelItem(1));
    auto* pDetail = pDialog->findChild<QTreeWidget*>(QStringLiteral("id1533"));
    const QList<QTreeWidgetItem*> events = pDetail->findItems(written, Qt::MatchContains);
    QCOMPARE(events.size(), 1);
    const QTreeWidgetItem* pChange = pDetail->itemBelow(events.front());
    // Settings by the words of the page, with their units.
    QCOMPARE(pChange->text(0).trimmed(), language == kLanguageEnglish ? QStringLiteral("Max runtime [s]") : QStringLiteral("Max. Laufzeit [s]"));
    QCOMPARE(pChange->text(1), QString::number(nMaxRuntime));
    QCOMPARE(pChange->text(2), QStringLiteral("42"));
    const QTreeWidgetItem* pNotHeld = pDetail->itemBelow(pChange);
    QCOMPARE(pNotHeld->text(0).trimmed(), language == kLanguageEnglish ? QStringLiteral("Post runtime [ms]") : QStringLiteral("Nachlaufzeit [ms]"));
    QCOMPARE(pNotHeld->text(2), QString::number(nRuntime + 100)
                                    + (language == kLanguageEnglish ? QStringLiteral(", the fitting holds %1") : QStringLiteral(", die Armatur hält %1")).arg(nRuntime));
    QVERIFY(!pDetail->findItems(language == kLanguageEnglish ? QStringLiteral("Errors stored") : QStringLiteral("Gespeicherte Fehler"), Qt::MatchContains).isEmpty());
    QVERIFY(!pDetail->findItems(language == kLanguageEnglish ? QStringLiteral("Entry 5") : QStringLiteral("Eintrag 5"), Qt::MatchContains).isEmpty());
    pDetail->scrollToItem(events.front(), QAbstractItemView::PositionAtTop);
    SaveScreenshotWithDialog(window.dlg, *pDialog, QStringLiteral("service_history_%1").arg(QString::fromUtf8(QTest::currentDataTag())));

    // The export holds what fluxa-cli history --csv prints for the unit.
    const QString csv = QDir(env.Path()).filePath(QStringLiteral("history.csv"));
    pDialog->m_chooseExportFile = [&csv] { return csv; };
    pDialog->findChild<QPushButton*>(QStringLiteral("id1534"))->click();
    std::vector<CVisitSummary> visits;
    for (const CVisitDetail& visit : VisitsOfUnit(window.dlg))
        visits.push_back(visit.summary);
    QCOMPARE(FileContent(csv), QByteArray::fromStdString(VisitListCsv(visits)));
    QCOMPARE(FileContent(csv).count('\n'), 3);

    // A language switch re-translates the open view.
    window.dlg.findChild<QAction*>(language == kLanguageEnglish ? QStringLiteral("id1071") : QStringLiteral("id1073"))->trigger();
    QVERIFY(pDialog->windowTitle() != title);
    QCOMPARE(pVisits->topLevelItemCount(), 2);
    pDialog->findChild<QPushButton*>(QStringLiteral("id1535"))->click();
    QVERIFY(!pDialog->isVisible());
}

void ServiceRecordTest::theServiceReportHoldsWhatTheVisitDid_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("changed"); // the row of the value written, old → new
    QTest::addColumn<QString>("cleared"); // the header and the first entry cleared, beside what was left
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("failed");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral("Max runtime +%1 → 77 +s +10–300")
                        << QStringLiteral("Before the clear +After the clear[\\s\\S]*\n *1 +0x[0-9a-f]{2} - .+ No entry")
                        << QStringLiteral("Service report saved as report.pdf.")
                        << QStringLiteral("The service report could not be saved. Choose a folder you can write to");
    QTest::newRow("de") << kLanguageGerman << QStringLiteral("Max\\. Laufzeit +%1 → 77 +s +10–300")
                        << QStringLiteral("Vor dem Löschen +Nach dem Löschen[\\s\\S]*\n *1 +0x[0-9a-f]{2} - .+ Kein Eintrag")
                        << QStringLiteral("Servicebericht als report.pdf gespeichert.")
                        << QStringLiteral("Der Servicebericht konnte nicht gespeichert werden. Wählen Sie einen Ordner, in den Sie schreiben dürfen");
}

void ServiceRecordTest::theServiceReportHoldsWhatTheVisitDid()
{
    QFETCH(int, language);
    QFETCH(QString, changed);
    QFETCH(QString, cleared);
    QFETCH(QString, saved);
    QFETCH(QString, failed);
    AppEnvironment env; // the visit in English; the report in the language then in force
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    // The menu bar is made anew, with each language for one.
    const auto save = [&window] { return window.dlg.findChild<QAction*>(QStringLiteral("id1504")); };
    QVERIFY(save() != nullptr && !save()->isEnabled()); // no visit yet
    Identify(window);
    QVERIFY(save()->isEnabled());
    const unsigned nMaxRuntimeBefore = EepromValue(env.sim, kMaxRuntime, 2);
    ApplyFile(env, window);
    int nErrorsBefore = 0;
    ClearErrors(window, nErrorsBefore);
    QVERIFY(!QTest::currentTestFailed() && nErrorsBefore > 0);
    if (language == kLanguageGerman)
        window.dlg.findChild<QAction*>(QStringLiteral("id1071"))->trigger();
    QVERIFY(save()->isEnabled());

    // Cancel in the file dialog writes nothing; the name proposed names the unit and the day.
    const QDir folder(env.Path());
    const CServiceUnit& unit = window.dlg.Recorder().CurrentUnit();
    QString proposed;
    window.dlg.m_chooseReportFile = [&proposed](const QString& name) {
        proposed = name;
        return QString();
    };
    save()->trigger();
    QCOMPARE(proposed, QStringLiteral("service-report-%1-%2.pdf")
                           .arg(QString::fromStdString(unit.strSerialNumber), QDate::currentDate().toString(Qt::ISODate)));
    QCOMPARE(PdfFilesBelow(folder.path()), QStringList());

    SaveReportWhereNoneCanBe(window, folder, failed);
    QVERIFY(!QTest::currentTestFailed());

    // Without a suffix the file is a .pdf; the status line says where it went.
    window.dlg.m_chooseReportFile = [&folder](const QString&) { return folder.filePath(QStringLiteral("report")); };
    MessageBoxWatch boxes;
    save()->trigger();
    QCOMPARE(boxes.unexpected, QStringList());
    QCOMPARE(window.Child<QLabel>(1500)->text(), saved);
    QVERIFY(window.Child<QLabel>(1500)->isVisible());
    SaveScreenshot(window.dlg, QStringLiteral("service_report_saved_%1").arg(QString::fromUtf8(QTest::currentDataTag())));
    const std::string strText = PdfText(folder.filePath(QStringLiteral("report.pdf")).toStdString());
    QVERIFY2(strText.find(unit.strSerialNumber) != std::string::npos, strText.c_str());
    QVERIFY2(strText.find("23 030 03 01") != std::string::npos, strText.c_str());
    QVERIFY2(std::regex_search(strText, std::regex(changed.arg(nMaxRuntimeBefore).toStdString())), strText.c_str());
    QVERIFY2(std::regex_search(strText, std::regex(cleared.toStdString())), strText.c_str());
    const int nPages = PdfPageCount(folder.filePath(QStringLiteral("report.pdf")).toStdString());
    QVERIFY2(nPages >= 1 && nPages <= 2, qPrintable(QString::number(nPages)));
    // The fitting holds what the report says was written.
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 77u);
}

void ServiceRecordTest::theTechnicianIsAskedOnce()
{
    AppEnvironment env;
    env.settings->remove(QStringLiteral("Settings/Technician"));
    StartedWindow window(env);
    int nAsked = 0;
    AnswerTechnician(QStringLiteral("A. Berg"), false, &nAsked);
    Identify(window);
    QCOMPARE(nAsked, 1);
    window.dlg.ReadConnectedProduct(); // cancelled: not asked again this run
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(nAsked, 1);
    QCOMPARE(env.settings->value(QStringLiteral("Settings/Technician")).toString(), QString());
    QCOMPARE(QString::fromStdString(VisitsOfUnit(window.dlg).front().summary.context.strTechnician), QString());

    // Changed from the menu, it is kept for the next visit and for fluxa-cli.
    AnswerTechnician(QStringLiteral(" A. Berg "), true, &nAsked);
    window.dlg.findChild<QAction*>(QStringLiteral("id1503"))->trigger();
    QCOMPARE(nAsked, 2);
    QCOMPARE(env.settings->value(QStringLiteral("Settings/Technician")).toString(), QStringLiteral("A. Berg"));
    window.dlg.ReadConnectedProduct();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(QString::fromStdString(VisitsOfUnit(window.dlg).front().summary.context.strTechnician), QStringLiteral("A. Berg"));
}

void ServiceRecordTest::aRecordThatCannotBeKeptNeverFailsTheJob_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("warning");
    const QString written = QStringLiteral("Settings written to the faucet at ");
    QTest::newRow("damaged") << QStringLiteral("damaged") << kLanguageEnglish << written << QStringLiteral("cannot be used");
    QTest::newRow("newer schema") << QStringLiteral("newer") << kLanguageEnglish << written << QStringLiteral("written by a newer version");
    QTest::newRow("newer schema, de") << QStringLiteral("newer") << kLanguageGerman << QStringLiteral("Einstellungen um ")
                                      << QStringLiteral("von einer neueren Version von Fluxa USB geschrieben");
    QTest::newRow("locked") << QStringLiteral("locked") << kLanguageEnglish << written << QStringLiteral("could not record this (database is locked)");
}

void ServiceRecordTest::aRecordThatCannotBeKeptNeverFailsTheJob()
{
    QFETCH(QString, fault);
    QFETCH(int, language);
    QFETCH(QString, written);
    QFETCH(QString, warning);
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    const QString path = DatabasePath(env);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (fault == QLatin1String("damaged")) {
        QFile damaged(path);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, 'Z'));
    } else {
        CServiceLog log; // one earlier visit, which must survive
        std::string strWarning;
        QCOMPARE(log.Open(path.toStdString(), strWarning), 0);
        CServiceVisit earlier = log.StartVisit({"230300301", "000000000001", "", "", "", ""}, {"earlier", "", ""});
        QCOMPARE(log.Record(earlier, {ServiceEventKind::OperatingData, Result::Ok, "", {}, {}}, strWarning), 0);
    }
    std::optional<RawDatabase> other(std::in_place, path);
    if (fault == QLatin1String("newer"))
        QVERIFY(other->Exec("PRAGMA user_version = 99"));
    if (fault == QLatin1String("locked"))
        QVERIFY(other->Exec("BEGIN IMMEDIATE; INSERT INTO units(article, serial) VALUES('1', '2')"));
    const QByteArray before = FileContent(path);

    StartedWindow window(env);
    MessageBoxWatch boxes;
    Identify(window);
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("42"));
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 42u);
    QCOMPARE(boxes.unexpected, QStringList());
    auto* pStatus = window.Child<QLabel>(1500);
    QVERIFY(pStatus->isVisible());
    QVERIFY2(pStatus->text().contains(written), qPrintable(pStatus->text()));
    QVERIFY2(pStatus->text().contains(warning), qPrintable(pStatus->text()));
    QVERIFY2(pStatus->toolTip().contains(path), qPrintable(pStatus->toolTip()));
    // A locked record can still be read: the last service is known. Records
    // are kept on the GUI thread, which the lock holds up briefly only.
    QCOMPARE(window.Child<QLabel>(1501)->isVisible(), fault == QLatin1String("locked"));
    if (fault == QLatin1String("locked"))
        QVERIFY(window.dlg.Recorder().Log().LockWait() <= std::chrono::milliseconds(50));
    SaveScreenshot(window.dlg, QStringLiteral("service_record_warning_%1_%2").arg(fault, language == kLanguageEnglish ? "en" : "de"));

    other.reset(); // the lock, if any, ends; what was there is still there
    if (fault == QLatin1String("damaged")) {
        QCOMPARE(FileContent(path), before);
        return;
    }
    RawDatabase check(path);
    QCOMPARE(check.Value("PRAGMA integrity_check"), QStringLiteral("ok"));
    QCOMPARE(check.Value("SELECT technician FROM visits WHERE id = 1"), QStringLiteral("earlier"));
    QCOMPARE(check.Value("SELECT count(*) FROM visits"), QStringLiteral("1"));
}

QTEST_MAIN(ServiceRecordTest)
#include "test_servicerecord.moc"
