// One fitting job at a time: while a job runs, nothing the technician does
// starts another one or changes the product in force, and the window is
// usable again afterwards.

#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgNewConfiguration.h"
#include "app/DlgProgress.h"
#include "app/pages/DlgDiagnosticGeneric.h"
#include "app/pages/DlgTools.h"
#include "common/Language.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTabBar>

#include <functional>
#include <optional>

namespace {

// A window in service mode with the Ambra read, a firmware image chosen on
// the Tools page, and simulated time for the download's waits.
struct JobWindow {
    explicit JobWindow(double dTimeScale)
        : env("[adapter]\nfitting = Ambra\nstartup_ms = 100\nready_ms = 0\n", dTimeScale)
    {
        env.settings->setValue(QStringLiteral("Settings/DontChange"), kServiceCode);
        if (dTimeScale == 0.0)
            time.emplace(env.sim.api, 1);
        window.emplace(env);
        window->PressNext();
    }
    QPushButton* Button(const char* szPage, int nId) { return window->PageChild<QPushButton>(szPage, nId); }
    void ShowTab(int nTab) { window->Child<QTabBar>(1079)->setCurrentIndex(nTab); }

    AppEnvironment env;
    std::optional<SimulatedTime> time;
    std::optional<StartedWindow> window;
};

struct JobKind {
    const char* szName;
    int nTab;
    // Starts the job as a click would; the button a second click goes to.
    std::function<QPushButton*(JobWindow&)> button;
    int nJobs; // the owner's jobs the start runs
};

const std::vector<JobKind>& JobKinds()
{
    static const std::vector<JobKind> kinds = {
        {"Next", 0, [](JobWindow& w) {
             w.window->dlg.SetViewMode(CNexaroDlg::kStartView);
             auto* pNext = w.window->Child<QPushButton>(1053);
             // A Next that never enables fails the count of jobs.
             static_cast<void>(QTest::qWaitFor([pNext] { return pNext->isEnabled(); }, 3000));
             return pNext;
         }, 4},
        {"read error history", 2, [](JobWindow& w) { return w.Button("GenericDiagnostics", 1117); }, 1},
        {"clear error history", 2, [](JobWindow& w) { return w.Button("GenericDiagnostics", 1115); }, 1},
        {"valve", 2, [](JobWindow& w) { return w.Button("GenericDiagnostics", 1102); }, 1},
        {"settings read", 1, [](JobWindow& w) { return w.Button("Ambra", 1168); }, 1},
        {"settings write", 1, [](JobWindow& w) { return w.Button("Ambra", 1170); }, 1}, // the write with its restart and read-back
        {"firmware download", 3, [](JobWindow& w) {
             w.window->PageChild<QCheckBox>("Tools", 1275)->setChecked(true);
             auto* pTools = w.window->dlg.findChild<CDlgTools*>(QStringLiteral("Tools"));
             pTools->ChooseFile(QStringLiteral(FLUXA_SOURCE_DIR "/data/Firmware/faucet_V4.02.hex"));
             pTools->m_askToProgram = [](const std::string&) { return true; }; // Start asks first
             return w.Button("Tools", 1268);
         }, 5}, // the download, then the Next read
    };
    return kinds;
}

// What the technician does while the job runs.
using Interference = std::function<void(JobWindow&, QPushButton* pJobButton)>;

} // namespace

class JobOwnerTest : public QObject {
    Q_OBJECT
private slots:
    void oneJobAtATime_data();
    void oneJobAtATime();
    void realClicksDuringAJobAtLineTiming();
    void theProgressDialogCannotBeClosed();
};

void JobOwnerTest::oneJobAtATime_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<Interference>("interference");
    const std::vector<std::pair<const char*, Interference>> interferences = {
        {"same button again", [](JobWindow&, QPushButton* pButton) { pButton->click(); }},
        {"another page's button", [](JobWindow& w, QPushButton* pButton) {
             QPushButton* pOther = w.Button("GenericDiagnostics", 1117);
             (pOther != pButton ? pOther : w.Button("Ambra", 1168))->click();
         }},
        {"Open", [](JobWindow& w, QPushButton*) {
             w.window->dlg.m_chooseOpenFile = [] { return QString(); };
             w.window->dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
         }},
        {"New", [](JobWindow& w, QPushButton*) { w.window->dlg.findChild<QAction*>(QStringLiteral("id1048"))->trigger(); }},
        {"tab change", [](JobWindow& w, QPushButton*) {
             auto* pTabs = w.window->Child<QTabBar>(1079);
             pTabs->setCurrentIndex(pTabs->currentIndex() == 0 ? 2 : 0);
         }},
        {"closing the window", [](JobWindow& w, QPushButton*) { w.window->dlg.close(); }},
    };
    for (int nKind = 0; nKind < static_cast<int>(JobKinds().size()); ++nKind)
        for (const auto& [szName, interference] : interferences)
            QTest::addRow("%s, %s", JobKinds()[static_cast<std::size_t>(nKind)].szName, szName) << nKind << interference;
}

void JobOwnerTest::oneJobAtATime()
{
    QFETCH(int, kind);
    QFETCH(Interference, interference);
    const JobKind& job = JobKinds()[static_cast<std::size_t>(kind)];
    JobWindow w(0.0);
    CNexaroDlg& dlg = w.window->dlg;
    w.ShowTab(job.nTab);
    QPushButton* pButton = job.button(w);
    const std::string strArticle = dlg.GetArticleNumberInForce();
    const int nProductType = dlg.Session().ProductType();
    const int nTab = w.window->Child<QTabBar>(1079)->currentIndex();

    int nJobs = 0;
    bool bInterfered = false;
    const auto counter = connect(&dlg.Jobs(), &CFittingJobOwner::JobStarted, [&] {
        if (nJobs++ == 0) // queued: handled while the first job's worker runs
            QMetaObject::invokeMethod(&dlg, [&] { interference(w, pButton); bInterfered = !dlg.Jobs().CanStart(); }, Qt::QueuedConnection);
    });
    MessageBoxWatch boxes(QString::fromUtf8("Möchten Sie die Fehlerhistorie zurücksetzen?"));
    pButton->click();
    QTRY_VERIFY(!dlg.Jobs().IsBusy());
    disconnect(counter);

    QVERIFY2(bInterfered, "the interference came after the job");
    QCOMPARE(nJobs, job.nJobs);
    QVERIFY2(boxes.unexpected.isEmpty(), qPrintable(boxes.unexpected.join(QLatin1Char('|'))));
    QCOMPARE(dlg.GetArticleNumberInForce(), strArticle);
    QCOMPARE(dlg.Session().ProductType(), nProductType);
    QCOMPARE(w.window->Child<QTabBar>(1079)->currentIndex(), nTab);
    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.m_dlgNewConfiguration->isVisible());
    // Usable afterwards: nothing blocks input and another job runs.
    QVERIFY(!dlg.m_dlgProgress->isVisible());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(dlg.isEnabled());
    w.ShowTab(2);
    int nAfter = 0;
    const auto after = connect(&dlg.Jobs(), &CFittingJobOwner::JobStarted, [&] { ++nAfter; });
    w.Button("GenericDiagnostics", 1117)->click();
    disconnect(after);
    QCOMPARE(nAfter, 1);
}

// At the line's own pace, real mouse clicks while the error history is read
// reach nothing: the progress dialog keeps the window's input away.
void JobOwnerTest::realClicksDuringAJobAtLineTiming()
{
    JobWindow w(1.0);
    CNexaroDlg& dlg = w.window->dlg;
    w.ShowTab(2);
    QPushButton* pRead = w.Button("GenericDiagnostics", 1117);
    int nJobs = 0;
    bool bClickedDuringJob = false;
    connect(&dlg.Jobs(), &CFittingJobOwner::JobStarted, [&] { ++nJobs; });
    MessageBoxWatch boxes;
    QTimer::singleShot(250, [&] {
        bClickedDuringJob = !dlg.Jobs().CanStart();
        QVERIFY(dlg.m_dlgProgress->isVisible());
        QTest::mouseClick(pRead, Qt::LeftButton);
        QTest::mouseClick(w.window->Child<QTabBar>(1079), Qt::LeftButton, {}, QPoint(20, 8));
    });
    QTest::mouseClick(pRead, Qt::LeftButton);
    QTRY_VERIFY(!dlg.Jobs().IsBusy());
    QVERIFY2(bClickedDuringJob, "the read ended before the second click");
    QCOMPARE(nJobs, 1);
    QVERIFY2(boxes.unexpected.isEmpty(), qPrintable(boxes.unexpected.join(QLatin1Char('|'))));
    QCOMPARE(w.window->Child<QTabBar>(1079)->currentIndex(), 2);
    QCOMPARE(dlg.findChild<CDlgDiagnosticGeneric*>()->History().byCount, 3);
}

// Alt+F4 or Escape on the progress dialog neither hides it nor gives the
// window back in the middle of a job.
void JobOwnerTest::theProgressDialogCannotBeClosed()
{
    JobWindow w(0.0);
    CNexaroDlg& dlg = w.window->dlg;
    bool bStillShown = false;
    std::string strIgnored;
    dlg.Jobs().Run(0, [&](std::string&) {
        QMetaObject::invokeMethod(&dlg, [&] {
            dlg.m_dlgProgress->close();
            QTest::keyClick(dlg.m_dlgProgress, Qt::Key_Escape);
            bStillShown = dlg.m_dlgProgress->isVisible() && QApplication::activeModalWidget() == dlg.m_dlgProgress;
        }, Qt::BlockingQueuedConnection);
        return 0;
    }, strIgnored);
    QVERIFY(bStillShown);
    QVERIFY(!dlg.m_dlgProgress->isVisible());
}

QTEST_MAIN(JobOwnerTest)
#include "test_jobowner.moc"
