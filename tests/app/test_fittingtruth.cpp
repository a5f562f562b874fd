// What the window says about the fitting it works with: a write cut off
// says what the fitting may hold and offers to read it when it answers
// again; a write that succeeds says when; the adapter chosen is identified
// anew; the start view names a missing adapter and an unknown article; a
// file that does not fit the connected fitting says so at once.

#include "ProductPagesSupport.h"

#include "AmbraAddresses.h"

#include "app/AppGlobals.h"
#include "app/DlgBusconverter.h"
#include "app/DlgConnectionInformation.h"
#include "PdfText.h"
#include "report/ServiceReport.h"
#include "common/Language.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <functional>
#include <map>

namespace {

// Every message box while it lives: its text and what the probe tells at
// that moment, a screenshot of the first when named; Yes to the expected
// question, No or OK to any other.
class BoxLog : public QObject {
public:
    explicit BoxLog(QString expectedQuestion = {}, QString screenshot = {}, std::function<QString()> probe = {})
        : m_expected(std::move(expectedQuestion)), m_screenshot(std::move(screenshot)), m_probe(std::move(probe))
    {
        qApp->installEventFilter(this);
    }
    ~BoxLog() override { qApp->removeEventFilter(this); }
    QStringList texts;
    QStringList probes;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        auto* pBox = qobject_cast<QMessageBox*>(pWatched);
        if (pBox == nullptr || pEvent->type() != QEvent::Show)
            return false;
        const bool bExpected = pBox->text() == m_expected;
        if (!bExpected) {
            texts << pBox->text();
            probes << (m_probe ? m_probe() : QString());
        }
        QTimer::singleShot(0, pBox, [this, pBox, bExpected] {
            if (!bExpected && !m_screenshot.isEmpty())
                SaveScreenshot(*pBox, std::exchange(m_screenshot, QString()));
            pBox->done(bExpected ? QMessageBox::Yes : pBox->button(QMessageBox::No) != nullptr ? QMessageBox::No : QMessageBox::Ok);
        });
        return false;
    }

private:
    QString m_expected;
    QString m_screenshot;
    std::function<QString()> m_probe;
};

// The product's description in the language in force.
QString Description(StartedWindow& window, const char* szArticle)
{
    CDeviceConfig definition;
    if (!window.dlg.Session().Catalog().FindDefinition(szArticle, definition))
        return QStringLiteral("no definition");
    std::string strDescription;
    std::string strExtended;
    definition.GetProductDescription(g_nLanguage, strDescription, strExtended);
    return QString::fromStdString(strDescription);
}

// The quit question as the window asks it; it is answered No.
QString QuitQuestion(CNexaroDlg& dlg)
{
    BoxLog boxes;
    dlg.close();
    return boxes.texts.value(0);
}

} // namespace

class FittingTruthTest : public QObject {
    Q_OBJECT
private slots:
    void aWriteNotHeldIsNamedAndMarked_data();
    void aWriteNotHeldIsNamedAndMarked();
    void aWriteCutOffSaysSoAndOffersToReadAgain_data();
    void aWriteCutOffSaysSoAndOffersToReadAgain();
    void aCutBeforeTheFirstByteWroteNothing();
    void aWriteThatSucceedsSaysWhen();
    void choosingAnAdapterIdentifiesAnew_data();
    void choosingAnAdapterIdentifiesAnew();
    void theStartViewNamesWhatIsMissing();
    void anUnknownFittingIsToldWithWhatToDo_data();
    void anUnknownFittingIsToldWithWhatToDo();
    void aFileOfAnotherProductSaysSoAtOnce_data();
    void aFileOfAnotherProductSaysSoAtOnce();

private:
    void ExpectCutWriteRecorded(StartedWindow& window, const QString& language);
};

void FittingTruthTest::aWriteNotHeldIsNamedAndMarked_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("statusLine");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral(": written %1, the fitting holds %2") << QStringLiteral("Written at ");
    QTest::newRow("de") << kLanguageGerman << QStringLiteral(": geschrieben %1, die Armatur hält %2") << QStringLiteral("Um ");
}

// The fitting acknowledges the write of the maximum run time but keeps its
// old value: no green confirmation; the field shows what the fitting holds,
// marked, and the message names it with both values.
void FittingTruthTest::aWriteNotHeldIsNamedAndMarked()
{
    QFETCH(int, language);
    QFETCH(QString, named);
    QFETCH(QString, statusLine);
    AppEnvironment env("[adapter]\nfitting = Ambra\nfault = ignore_write command 12 address=0x70-0x71\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    const unsigned nMaxRuntime = EepromValue(env.sim, kMaxRuntime, 2);
    auto* pMaxRuntime = window.PageChild<QLineEdit>("Ambra", 1150);
    pMaxRuntime->setText(QString::number(nMaxRuntime + 1));
    {
        BoxLog boxes({}, QStringLiteral("write_not_held_%1").arg(QString::fromUtf8(QTest::currentDataTag())));
        window.PageChild<QPushButton>("Ambra", 1170)->click();
        QTRY_COMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.front().contains(named.arg(nMaxRuntime + 1).arg(nMaxRuntime)), qPrintable(boxes.texts.front()));
    }
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), nMaxRuntime);
    QCOMPARE(pMaxRuntime->text(), QString::number(nMaxRuntime));
    auto* pPage = window.dlg.findChild<CSettingsPage*>(QStringLiteral("Ambra"));
    QVERIFY(pPage->IsMarked("Maxruntime"));
    QVERIFY(pPage->MarkerNote("Maxruntime").contains(QString::number(nMaxRuntime + 1)));
    auto* pStatus = window.Child<QLabel>(1500);
    QVERIFY2(pStatus->isVisible() && pStatus->text().startsWith(statusLine), qPrintable(pStatus->text()));
    SaveScreenshot(window.dlg, QStringLiteral("write_not_held_window_%1").arg(QString::fromUtf8(QTest::currentDataTag())));
    // Typing another value takes the mark away.
    pMaxRuntime->setText(QString::number(nMaxRuntime + 2));
    QVERIFY(!pPage->IsMarked("Maxruntime"));
}

void FittingTruthTest::aWriteCutOffSaysSoAndOffersToReadAgain_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("statusLine");
    // The fourth row write (Runtime) is not heard, or pulls the adapter.
    QTest::newRow("silenced_en") << static_cast<int>(VSIM_FAULT_NO_ANSWER) << kLanguageEnglish
                                 << QStringLiteral("The fitting may now hold a mix of old and new settings. When it answers again,")
                                 << QStringLiteral("Write cut off at ");
    QTest::newRow("pulled_de") << static_cast<int>(VSIM_FAULT_UNPLUG_ADAPTER) << kLanguageGerman
                               << QStringLiteral("Die Armatur hält jetzt womöglich alte und neue Einstellungen gemischt. Wenn sie wieder antwortet,")
                               << QStringLiteral("Schreiben um ");
}

void FittingTruthTest::aWriteCutOffSaysSoAndOffersToReadAgain()
{
    QFETCH(int, fault);
    QFETCH(int, language);
    QFETCH(QString, message);
    QFETCH(QString, statusLine);
    AppEnvironment env("[adapter]\nserial = VB1\nfitting = Ambra\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    const unsigned nRuntime = EepromValue(env.sim, kRuntime, 2);
    const QString installer = window.PageChild<QComboBox>("Ambra", 1220)->currentText();
    QCOMPARE(QuitQuestion(window.dlg), QString::fromUtf8(PickText("Do you want to quit this application?", "Möchten Sie diese Applikation beenden?")));

    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("42"));
    window.PageChild<QLineEdit>("Ambra", 1210)->setText(QString::number(nRuntime + 100));
    window.PageChild<QComboBox>("Ambra", 1220)->setEditText(QStringLiteral("ABCDE"));
    const VSimFault cut{fault, VSIM_TRIGGER_COMMAND, 12, 0, 0, 0, nullptr, nullptr, 3, 0, 0};
    QVERIFY(env.sim.api.AddFault(0, &cut) > 0);
    {
        BoxLog boxes({}, QStringLiteral("write_cut_off_%1").arg(QString::fromUtf8(QTest::currentDataTag()).right(2)));
        window.PageChild<QPushButton>("Ambra", 1170)->click();
        QTRY_COMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.front().startsWith(message), qPrintable(boxes.texts.front()));
    }
    auto* pStatus = window.Child<QLabel>(1500);
    QVERIFY2(pStatus->isVisible() && pStatus->text().startsWith(statusLine), qPrintable(pStatus->text()));
    SaveScreenshot(window.dlg, QStringLiteral("write_cut_off_window_%1").arg(QString::fromUtf8(QTest::currentDataTag()).right(2)));
    if (fault == VSIM_FAULT_UNPLUG_ADAPTER) {
        QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionNoFitting, 4000);
        QCOMPARE(env.sim.api.AddAdapter(-1, nullptr, "VB1"), 0); // plugged again, the fitting as it was left
    }
    // The fitting holds a mix: the maximum run time new, the run time and the installer old.
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 42u);
    QCOMPARE(EepromValue(env.sim, kRuntime, 2), nRuntime);
    QCOMPARE(EepromValue(env.sim, kInstaller, 1), static_cast<unsigned>('M'));
    QVERIFY(EveryRowSumHolds(env.sim));

    // Back, the fitting is not taken for what the page shows: reading is offered.
    CDlgConnectionInformation* pOffer = window.dlg.m_dlgConnectionInformation;
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionKnownFitting, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(pOffer->isVisible(), 4000);
    QCOMPARE(pOffer->findChild<QLabel*>(QStringLiteral("id1172"))->text(),
             QString::fromUtf8(PickText("The faucet answers again.", "Die Armatur antwortet wieder.")));
    SaveScreenshot(*pOffer, QStringLiteral("read_again_offer_%1").arg(QString::fromUtf8(QTest::currentDataTag()).right(2)));
    // Until then the page keeps what was typed, and quitting says so.
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1210)->text(), QString::number(nRuntime + 100));
    QVERIFY(QuitQuestion(window.dlg).contains(QString::fromUtf8(PickText("have not been written", "nicht in die Armatur geschrieben"))));

    env.sim.api.ClearFaults();
    pOffer->findChild<QPushButton*>(QStringLiteral("id1176"))->click();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1150)->text(), QStringLiteral("42"));
    QCOMPARE(window.PageChild<QLineEdit>("Ambra", 1210)->text(), QString::number(nRuntime));
    QCOMPARE(window.PageChild<QComboBox>("Ambra", 1220)->currentText(), installer);
    QVERIFY(!window.dlg.IsWriteCutOff());
    QVERIFY(!pStatus->isVisible());
    QVERIFY(!QuitQuestion(window.dlg).contains(QString::fromUtf8(PickText("have not been written", "nicht in die Armatur geschrieben"))));
    ExpectCutWriteRecorded(window, QString::fromUtf8(QTest::currentDataTag()).right(2));
}

// The record holds the write as cut (acknowledged, under way, not written),
// then what the fitting held of it when read again; the report tells it in
// the technician's words.
void FittingTruthTest::ExpectCutWriteRecorded(StartedWindow& window, const QString& language)
{
    CServiceRecorder& recorder = window.dlg.Recorder();
    CVisitDetail visit;
    std::string strError;
    QCOMPARE(recorder.Log().ReadVisit(recorder.CurrentVisit(), visit, strError), Result::Ok);
    const auto verdicts = [&visit](ServiceEventKind eKind) {
        std::map<std::string, WriteVerdict> found;
        for (const CServiceEvent& event : visit.events)
            if (event.eKind == eKind)
                for (const CServiceItem& item : event.items)
                    found[item.strName] = item.eVerdict;
        return found;
    };
    const auto written = std::ranges::find(visit.events, ServiceEventKind::SettingsWritten, &CServiceEvent::eKind);
    QVERIFY(written != visit.events.end());
    QCOMPARE(static_cast<int>(written->eOutcome), static_cast<int>(WriteOutcome::CutWriting));
    const std::map<std::string, WriteVerdict> cut = verdicts(ServiceEventKind::SettingsWritten);
    QVERIFY(cut.at("Maxruntime") == WriteVerdict::Unknown);
    QVERIFY(cut.at("Runtime") == WriteVerdict::InFlight);
    QVERIFY(cut.at("Installer") == WriteVerdict::NotWritten);
    const std::map<std::string, WriteVerdict> checked = verdicts(ServiceEventKind::SettingsChecked);
    QCOMPARE(checked.size(), cut.size());
    QVERIFY(checked.at("Maxruntime") == WriteVerdict::Held);
    QVERIFY(checked.at("Runtime") == WriteVerdict::NotWritten);
    QVERIFY(checked.at("Installer") == WriteVerdict::NotWritten);

    const QString pdf = QDir::temp().filePath(QStringLiteral("cut_write_%1.pdf").arg(language));
    QCOMPARE(WriteServiceReport(recorder.Log(), recorder.CurrentVisit(), window.dlg.Session().Catalog(), pdf.toStdString(), strError), Result::Ok);
    const std::string strText = PdfText(pdf.toStdString());
    QVERIFY2(strText.find(PickText("was cut off while", "wurde beim Schreiben von")) != std::string::npos, strText.c_str());
    QVERIFY2(strText.find(PickText("Read again at", "erneut gelesen")) != std::string::npos, strText.c_str());
    QVERIFY2(strText.find("FT_") == std::string::npos, strText.c_str());
    QDir().mkpath(QStringLiteral(FLUXA_SCREENSHOT_DIR));
    ShellOutput("pdftoppm -r 80 -png -f 1 -l 1 -singlefile '" + pdf.toStdString() + "' '" FLUXA_SCREENSHOT_DIR "/report_cut_write_"
                + language.toStdString() + "'");
    QFile::remove(pdf);
}

// The fitting is silent from the article check on: the message says that
// nothing was written, and nothing is offered.
void FittingTruthTest::aCutBeforeTheFirstByteWroteNothing()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    const std::vector<unsigned char> before = Eeprom(env.sim);
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("42"));
    const VSimFault silence{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_EVERY, 1, 0, 0, 0, nullptr, nullptr, 0, 0, 0};
    QVERIFY(env.sim.api.AddFault(0, &silence) > 0);
    BoxLog boxes;
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.front().startsWith(QStringLiteral("Nothing was written: the fitting holds its settings as before.")),
             qPrintable(boxes.texts.front()));
    QVERIFY(Eeprom(env.sim) == before);
    QVERIFY(!window.dlg.IsWriteCutOff());
    QVERIFY(!window.Child<QLabel>(1500)->isVisible());
}

void FittingTruthTest::aWriteThatSucceedsSaysWhen()
{
    AppEnvironment env("[adapter]\nfitting = Ambra\nstartup_ms = 100\nready_ms = 0\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    window.PageChild<QLineEdit>("Ambra", 1150)->setText(QStringLiteral("42"));
    QVERIFY(QuitQuestion(window.dlg).startsWith(QStringLiteral("The settings changed on the page have not been written to the faucet.")));
    const QTime start = QTime::currentTime();
    BoxLog boxes;
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QCOMPARE(boxes.texts, QStringList()); // no box for a success
    QCOMPARE(EepromValue(env.sim, kMaxRuntime, 2), 42u);
    auto* pStatus = window.Child<QLabel>(1500);
    QVERIFY(pStatus->isVisible());
    const QString text = pStatus->text();
    QVERIFY2(text.startsWith(QStringLiteral("Settings written to the faucet at ")), qPrintable(text));
    const QTime written = QTime::fromString(text.mid(34, 8), QStringLiteral("HH:mm:ss"));
    QVERIFY2(written.isValid() && start.secsTo(written) >= 0 && start.secsTo(written) < 60, qPrintable(text));
    SaveScreenshot(window.dlg, QStringLiteral("write_confirmed_en"));
    QCOMPARE(QuitQuestion(window.dlg), QStringLiteral("Do you want to quit this application?"));
    // The other language says it too.
    window.dlg.findChild<QAction*>(QStringLiteral("id1071"))->trigger();
    QVERIFY2(pStatus->text().startsWith(QString::fromUtf8("Einstellungen um ")), qPrintable(pStatus->text()));
}

void FittingTruthTest::choosingAnAdapterIdentifiesAnew_data()
{
    QTest::addColumn<bool>("workView");
    QTest::addColumn<int>("adapter");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("viewMode");
    QTest::addColumn<QString>("article");
    QTest::newRow("start view, another product") << false << 1 << kConnectionOtherUnit << 1 << QStringLiteral("230600601");
    QTest::newRow("work view, another product") << true << 1 << kConnectionOtherProduct << 1 << QStringLiteral("230600601");
    QTest::newRow("work view, another unit") << true << 2 << kConnectionOtherUnit << 1 << QStringLiteral("230300301");
    QTest::newRow("work view, the same fitting") << true << 0 << kConnectionKnownFitting << 4 << QStringLiteral("230300301");
}

// Three adapters: the Ambra the window reads first, a Pelio, and another
// Ambra unit. Choosing one identifies what answers on it; a fitting other
// than the one the work view shows takes the window back to the start view,
// which names it, and Next reads it.
void FittingTruthTest::choosingAnAdapterIdentifiesAnew()
{
    QFETCH(bool, workView);
    QFETCH(int, adapter);
    QFETCH(int, state);
    QFETCH(int, viewMode);
    QFETCH(QString, article);
    AppEnvironment env("[adapter]\nserial = VB1\nfitting = Ambra\n[adapter]\nserial = VB2\nfitting = Pelio\n"
                       "[adapter]\nserial = VB3\nfitting = Ambra\nfitting_serial = 0000000000A3\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    if (workView) {
        window.PressNext();
        QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(window.Child<QLabel>(1045)->text(), Description(window, "230300301"), 3000);
    }
    window.dlg.findChild<QAction*>(QStringLiteral("id1070"))->trigger();
    CDlgBusconverter* pAdapters = window.dlg.m_dlgBusconverter;
    QVERIFY(pAdapters->isVisible());
    pAdapters->findChild<QPushButton*>(QStringLiteral("id1033"))->click();
    auto* pList = pAdapters->findChild<QComboBox*>(QStringLiteral("id1029"));
    QCOMPARE(pList->itemText(2), QStringLiteral("Adapter number 2 (VB3, D2XX)"));
    pList->setCurrentIndex(adapter);
    pAdapters->findChild<QPushButton*>(QStringLiteral("id1031"))->click();
    QVERIFY(!pAdapters->isVisible());
    QCOMPARE(env.sim.api.IsDeviceOpen(adapter), 1);

    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, state, 4000);
    QCOMPARE(window.dlg.m_nViewMode, viewMode);
    // The service report is of the unit the window shows, none once it let
    // go of it. Next makes the menu bar anew.
    const auto saveReport = [&window] { return window.dlg.findChild<QAction*>(QStringLiteral("id1504")); };
    QCOMPARE(saveReport()->isEnabled(), workView && viewMode != CNexaroDlg::kStartView);
    if (viewMode == CNexaroDlg::kStartView) {
        QCOMPARE(window.Child<QLabel>(1045)->text(), Description(window, article.toUtf8().constData()));
        window.PressNext();
        QTRY_VERIFY(!window.dlg.Jobs().IsBusy());
        QVERIFY(saveReport()->isEnabled());
    }
    // The window works with the fitting on the chosen adapter: its article
    // and serial number, and a write reaches it.
    QCOMPARE(QString::fromStdString(window.dlg.Session().Config().GetArticleNumber()), article);
    std::vector<unsigned char> serial(6);
    env.sim.api.ReadEeprom(adapter, kSerialNumber, serial.data(), 6);
    QString serialText;
    for (auto it = serial.rbegin(); it != serial.rend(); ++it)
        serialText += QStringLiteral("%1").arg(*it, 2, 16, QLatin1Char('0')).toUpper();
    QCOMPARE(window.Child<QLabel>(1085)->text(), serialText);
    BoxLog boxes;
    window.dlg.findChild<CSettingsPage*>(QStringLiteral("Ambra"))->WriteToTarget();
    QCOMPARE(boxes.texts, QStringList());
}

void FittingTruthTest::theStartViewNamesWhatIsMissing()
{
    AppEnvironment env("[device]\nserial = FT1\n"); // a USB device, but no bus adapter
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    auto* pCenter = window.Child<QLabel>(1045);
    QTRY_COMPARE_WITH_TIMEOUT(pCenter->text(), QStringLiteral("No bus adapter connected"), 3000);
    SaveScreenshot(window.dlg, QStringLiteral("start_view_no_adapter_en"));
    const int nAdapter = env.sim.api.AddAdapter(-1, nullptr, "VB1");
    QVERIFY(nAdapter >= 0);
    QTRY_COMPARE_WITH_TIMEOUT(pCenter->text(), QStringLiteral("No faucet connected"), 3000);
    QCOMPARE(env.sim.api.PlugFitting(nAdapter, "Unknown"), VSIM_OK);
    QTRY_VERIFY_WITH_TIMEOUT(pCenter->text().startsWith(QStringLiteral("The connected faucet is not known")), 3000);
    QCOMPARE(env.sim.api.RemoveDevice(nAdapter), VSIM_OK);
    QTRY_COMPARE_WITH_TIMEOUT(pCenter->text(), QStringLiteral("No bus adapter connected"), 4000);
    g_nLanguage = kLanguageGerman;
    window.dlg.SetLanguage(g_nLanguage);
    QCOMPARE(pCenter->text(), QStringLiteral("Kein Bus Adapter angeschlossen"));
}

void FittingTruthTest::anUnknownFittingIsToldWithWhatToDo_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("en") << kLanguageEnglish
                        << QStringLiteral("The connected faucet is not known: no product definition has its article number 23 999 99 99.\n"
                                          "Add the product's definition to the \"Config\" folder, or ask for a newer Fluxa USB.");
    QTest::newRow("de") << kLanguageGerman
                        << QStringLiteral("Die angeschlossene Armatur ist nicht bekannt: keine Produktdefinition hat ihre Artikelnummer "
                                          "23 999 99 99.\nLegen Sie die Produktdefinition im Ordner \"Config\" ab oder fordern Sie ein "
                                          "neueres Fluxa USB an.");
}

void FittingTruthTest::anUnknownFittingIsToldWithWhatToDo()
{
    QFETCH(int, language);
    QFETCH(QString, text);
    AppEnvironment env("[adapter]\nfitting = Unknown\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), language);
    StartedWindow window(env);
    auto* pCenter = window.Child<QLabel>(1045);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionUnknownFitting, 3000);
    SaveScreenshot(window.dlg, QStringLiteral("start_view_unknown_fitting_%1").arg(QString::fromUtf8(QTest::currentDataTag())));
    QCOMPARE(pCenter->text(), text);
    QVERIFY(!window.Child<QWidget>(1053)->isEnabled());
    // Wrapped, the whole text fits its label at the window's fixed size,
    // clear of the connection text above and Next below.
    QVERIFY(pCenter->wordWrap());
    const QRect room = pCenter->contentsRect();
    const int nNeeded = pCenter->heightForWidth(pCenter->width());
    QVERIFY2(nNeeded > 0 && nNeeded <= pCenter->height(), qPrintable(QStringLiteral("%1 of %2").arg(nNeeded).arg(pCenter->height())));
    const QRect drawn = pCenter->fontMetrics().boundingRect(room, Qt::TextWordWrap | pCenter->alignment(), text);
    QVERIFY2(room.contains(drawn), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(drawn.x()).arg(drawn.y()).arg(drawn.width()).arg(drawn.height())));
    QVERIFY(!pCenter->geometry().intersects(window.Child<QWidget>(1042)->geometry()));
    QVERIFY(!pCenter->geometry().intersects(window.Child<QWidget>(1053)->geometry()));
}

void FittingTruthTest::aFileOfAnotherProductSaysSoAtOnce_data()
{
    QTest::addColumn<QByteArray>("fitting");
    QTest::addColumn<QByteArray>("fileArticle");
    QTest::addColumn<bool>("saysSo");
    QTest::newRow("another product connected") << QByteArray("Ambra") << QByteArray("230300302") << true;
    QTest::newRow("the same product connected") << QByteArray("Ambra") << QByteArray("230300301") << false;
    QTest::newRow("no fitting") << QByteArray("none") << QByteArray("230300302") << false;
}

void FittingTruthTest::aFileOfAnotherProductSaysSoAtOnce()
{
    QFETCH(QByteArray, fitting);
    QFETCH(QByteArray, fileArticle);
    QFETCH(bool, saysSo);
    AppEnvironment env(("[adapter]\nfitting = " + fitting + "\n").constData());
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    QTRY_VERIFY_WITH_TIMEOUT(fitting == "none" ? window.link.IsAdapterPresent() : window.dlg.m_nConnState == kConnectionKnownFitting, 3000);
    const QString path = WriteFaucetFile(env.Path(), fileArticle.constData());
    window.dlg.m_chooseOpenFile = [&path] { return path; };
    // What the window works with when a box shows.
    BoxLog boxes({}, {}, [&window] { return QString::number(window.dlg.m_nViewMode); });
    window.dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(QString::fromStdString(window.dlg.Session().Config().GetArticleNumber()), QString::fromUtf8(fileArticle));
    QCOMPARE(window.dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kWorkView));
    QCOMPARE(boxes.texts.size(), saysSo ? 1 : 0);
    if (!saysSo)
        return;
    QCOMPARE(boxes.texts.front(), QStringLiteral("The configuration file \"saved.xml\" does not fit the connected faucet: it is for article number "
                                                 "23 030 03 02, the faucet has 23 030 03 01. To write the file, connect a faucet with article "
                                                 "number 23 030 03 02."));
    QCOMPARE(boxes.probes.front(), QString::number(CNexaroDlg::kStartView)); // before the page switched
}

QTEST_MAIN(FittingTruthTest)
#include "test_fittingtruth.moc"
