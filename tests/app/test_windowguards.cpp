// What the window guards around the fitting: the pages' fitting buttons
// follow the connection, and the error history is cleared only on the
// fitting the window read and only when the fitting keeps the clear.

#include "AmbraAddresses.h"
#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/pages/DlgDiagnosticGeneric.h"
#include "common/Language.h"

#include <QLabel>
#include <QPushButton>

#include <array>
#include <vector>

namespace {

// Fitting buttons of one page, by their ids.
struct PageButtons {
    const char* szPage;
    std::vector<int> ids;
};

// "page/idN=on|off" for every button, by its own enabled state: the window
// itself is disabled while the connection dialog shows.
QStringList ButtonStates(StartedWindow& window, const std::vector<PageButtons>& pages)
{
    QStringList states;
    for (const PageButtons& page : pages) {
        auto* pPage = window.dlg.findChild<QWidget*>(QString::fromUtf8(page.szPage));
        if (pPage == nullptr) {
            states << QStringLiteral("%1 missing").arg(QString::fromUtf8(page.szPage));
            continue;
        }
        for (int nId : page.ids) {
            auto* pButton = pPage->findChild<QPushButton*>(QStringLiteral("id%1").arg(nId));
            const QString state = pButton == nullptr ? QStringLiteral("missing") : pButton->isEnabledTo(pPage) ? QStringLiteral("on") : QStringLiteral("off");
            states << QStringLiteral("%1/id%2=%3").arg(QString::fromUtf8(page.szPage)).arg(nId).arg(state);
        }
    }
    return states;
}

QStringList AllStates(const std::vector<PageButtons>& pages, bool bEnabled)
{
    QStringList states;
    for (const PageButtons& page : pages)
        for (int nId : page.ids)
            states << QStringLiteral("%1/id%2=%3").arg(QString::fromUtf8(page.szPage)).arg(nId).arg(bEnabled ? QStringLiteral("on") : QStringLiteral("off"));
    return states;
}

// The row with the error count (byte 6) and the entries (from byte 7).
std::array<unsigned char, 16> ErrorRow(AppEnvironment& env)
{
    std::array<unsigned char, 16> row{};
    env.sim.api.ReadEeprom(0, kErrorCount & ~0xFu, row.data(), static_cast<unsigned>(row.size()));
    return row;
}

bool AnEepromWriteWasSent(AppEnvironment& env)
{
    for (int i = 0; i < env.sim.api.GetTraceCount(); ++i) {
        VSimFrame frame{};
        env.sim.api.GetTraceFrame(i, &frame);
        if (frame.direction == VSIM_DIR_TO_FITTING && (frame.bytes[3] == 0x0B || frame.bytes[3] == 0x0D))
            return true;
    }
    return false;
}

} // namespace

class WindowGuardsTest : public QObject {
    Q_OBJECT
private slots:
    void fittingButtonsFollowTheConnection_data();
    void fittingButtonsFollowTheConnection();
    void aClearTheFittingDoesNotKeepFails();
    void clearChecksTheArticleNumberFirst();
};

void WindowGuardsTest::fittingButtonsFollowTheConnection_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("readId");
    QTest::addColumn<int>("writeId");
    QTest::newRow("Ambra") << QByteArray("Ambra") << QByteArray("Ambra") << 1168 << 1170;
    QTest::newRow("Tarvo") << QByteArray("Tarvo") << QByteArray("Tarvo") << 1136 << 1137;
    QTest::newRow("TarvoV2") << QByteArray("TarvoV2") << QByteArray("TarvoV2") << 1136 << 1137;
    QTest::newRow("Urinal") << QByteArray("Urinal") << QByteArray("Urinal") << 1319 << 1321;
    QTest::newRow("WC") << QByteArray("WC") << QByteArray("Urinal") << 1319 << 1321;
}

// The fitting is pulled and plugged again: the buttons that talk to it go
// off and on with it. The tools page's download needs no known fitting and
// keeps its buttons as they were.
void WindowGuardsTest::fittingButtonsFollowTheConnection()
{
    QFETCH(QByteArray, profile);
    QFETCH(QByteArray, page);
    QFETCH(int, readId);
    QFETCH(int, writeId);
    const QByteArray scenario = "[adapter]\nfitting = " + profile + "\nstartup_ms = 100\nready_ms = 0\n";
    AppEnvironment env(scenario.constData());
    env.settings->setValue(QStringLiteral("Settings/DontChange"), kServiceCode);
    MessageBoxWatch boxes;
    StartedWindow window(env);
    window.PressNext();
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionKnownFitting, 3000);
    const std::vector<PageButtons> fittingButtons{{page.constData(), {readId, writeId}},
                                                  {"InfoGeneric", {1081}},
                                                  {"GenericDiagnostics", {1117, 1115, 1102}}};
    const std::vector<PageButtons> toolButtons{{"Tools", {1276, 1268}}};
    QCOMPARE(ButtonStates(window, fittingButtons), AllStates(fittingButtons, true));
    const QStringList tools = ButtonStates(window, toolButtons);
    QVERIFY(!tools.join(QLatin1Char(' ')).contains(QStringLiteral("missing")));

    QCOMPARE(env.sim.api.UnplugFitting(0), VSIM_OK);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionNoFitting, 4000);
    QCOMPARE(ButtonStates(window, fittingButtons), AllStates(fittingButtons, false));
    QCOMPARE(ButtonStates(window, toolButtons), tools);

    QCOMPARE(env.sim.api.PlugFitting(0, profile.constData()), VSIM_OK);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionKnownFitting, 4000);
    QCOMPARE(ButtonStates(window, fittingButtons), AllStates(fittingButtons, true));
    QCOMPARE(ButtonStates(window, toolButtons), tools);
}

// The fitting answers every write of the clear but keeps its count and first
// entry: the clear fails with its message and the page shows the entry kept.
void WindowGuardsTest::aClearTheFittingDoesNotKeepFails()
{
    AppEnvironment env("[adapter]\nfitting = Ambra\nfault = ignore_write command 12 address=0x46-0x47\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    const std::array<unsigned char, 16> before = ErrorRow(env);
    QVERIFY(before[6] != 0 && before[7] != 0);
    MessageBoxWatch boxes(QStringLiteral("Do you want to reset the error history?"));
    window.PageChild<QPushButton>("GenericDiagnostics", 1115)->click();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.unexpected, QStringList{QStringLiteral("The error history was written but still holds entries: the fitting did not keep the clear.")}, 5000);
    const std::array<unsigned char, 16> after = ErrorRow(env);
    QCOMPARE(after[6], before[6]);
    QCOMPARE(after[7], before[7]);
    QCOMPARE(after[8], static_cast<unsigned char>(0)); // the second entry was cleared
    QCOMPARE(window.dlg.findChild<CDlgDiagnosticGeneric*>()->History().abyEntries[0], static_cast<BYTE>(before[7]));
    QVERIFY(window.PageChild<QLabel>("GenericDiagnostics", 1104)->text() != QStringLiteral("No entry"));
}

// Another fitting answers by the time Clear is pressed: the article check
// stops the clear before anything is written.
void WindowGuardsTest::clearChecksTheArticleNumberFirst()
{
    AppEnvironment env;
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    StartedWindow window(env);
    window.PressNext();
    std::string strIgnored;
    window.link.StopConnectionMonitor(strIgnored); // it would report the other unit before the click
    QCOMPARE(env.sim.api.ExchangeFitting(0, "Ambra2", nullptr), VSIM_OK);
    const std::array<unsigned char, 16> before = ErrorRow(env);
    QVERIFY(before[6] != 0); // the new fitting holds a history
    env.sim.api.ClearTrace();
    MessageBoxWatch boxes(QStringLiteral("Do you want to reset the error history?"));
    window.PageChild<QPushButton>("GenericDiagnostics", 1115)->click();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.unexpected,
                              QStringList{QStringLiteral("The configured article number (230300301) is not equal to the \nread one (230300302) from the "
                                                         "connected target device.\n\nTarget configuration aborted.")},
                              5000);
    QVERIFY(ErrorRow(env) == before);
    QVERIFY(!AnEepromWriteWasSent(env));
}

QTEST_MAIN(WindowGuardsTest)
#include "test_windowguards.moc"
