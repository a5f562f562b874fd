// The window's failure messages as a technician reads them, in German and
// in English: the first line names what failed (the file, the setting by
// its label, the fitting, the adapter) and says what to do; the core's own
// text, which may name internal functions, comes on a detail line at most.
// One row of the table: how to provoke the message and the words its first
// line must hold in each language.

#include "ProductPagesSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgBusconverter.h"
#include "app/pages/DlgTools.h"
#include "common/Language.h"
#include "devicelink/VelmorTPBase.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>

#include <functional>
#include <optional>

namespace {

// A window in service mode with the Ambra read, on a bus of its own.
struct MessageWindow {
    explicit MessageWindow(int nLanguage) : env("[adapter]\nserial = VB1\nfitting = Ambra\n")
    {
        env.settings->setValue(QStringLiteral("Settings/DontChange"), kServiceCode);
        env.settings->setValue(QStringLiteral("Settings/Language"), nLanguage);
        window.emplace(env);
        window->PressNext();
    }
    QString WriteFile(const QString& name, const QByteArray& content) const
    {
        const QString path = QDir(env.Path()).filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }
    // Chooses a firmware file on the Tools page as Select would.
    void ChooseFirmware(const QString& path)
    {
        window->Child<QTabBar>(1079)->setCurrentIndex(3);
        window->PageChild<QCheckBox>("Tools", 1275)->setChecked(true);
        window->dlg.findChild<CDlgTools*>(QStringLiteral("Tools"))->ChooseFile(path);
    }

    AppEnvironment env;
    std::optional<StartedWindow> window;
};

QByteArray SampleFirmware(const char* szName)
{
    QFile file(QStringLiteral(FLUXA_SOURCE_DIR "/data/Firmware/") + QLatin1String(szName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void OpenUnknownArticle(MessageWindow& w)
{
    const QString path = w.WriteFile(QStringLiteral("lobby.xml"), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<file>"
                                                                   "<ArticleNumber>239999999</ArticleNumber><ConfigSheet>Ambra</ConfigSheet>"
                                                                   "<Settings><Runtime>900</Runtime></Settings></file>\n");
    w.window->dlg.m_chooseOpenFile = [path] { return path; };
    w.window->dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
}

void PullAdapterDuringWrite(MessageWindow& w)
{
    const VSimFault pull{VSIM_FAULT_UNPLUG_ADAPTER, VSIM_TRIGGER_COMMAND, CVelmorTPBase::CmdWriteEEByAddr, 1, 0, 0, nullptr, nullptr, 2, 0, 0};
    w.env.sim.api.AddFault(0, &pull);
    w.window->PageChild<QPushButton>("Ambra", 1170)->click();
}

// The cleaning stop switched off with its runtime below its limits.
void WriteWithDisabledRowOutOfRange(MessageWindow& w)
{
    w.window->PageChild<QLineEdit>("Ambra", 1190)->setText(QStringLiteral("0"));
    w.window->PageChild<QCheckBox>("Ambra", 1195)->setChecked(false);
    w.window->PageChild<QPushButton>("Ambra", 1170)->click();
}

void ChooseCutHexFile(MessageWindow& w)
{
    const QByteArray image = SampleFirmware("faucet_V4.02.hex");
    w.ChooseFirmware(w.WriteFile(QStringLiteral("faucet_cut.hex"), image.left(image.size() / 2)));
}

void ChooseImageOfAnotherFamily(MessageWindow& w)
{
    w.ChooseFirmware(w.WriteFile(QStringLiteral("flushvalve_V3.01.hex"), SampleFirmware("flushvalve_V3.01.hex")));
}

// The bus adapter dialog with the adapter pulled: Open on the list as it
// stands, or Rescan.
void PressInAdapterDialogWithoutAdapter(MessageWindow& w, int nButton)
{
    w.env.sim.api.RemoveDevice(0);
    w.window->dlg.findChild<QAction*>(QStringLiteral("id1070"))->trigger();
    QMetaObject::invokeMethod(w.window->dlg.m_dlgBusconverter->findChild<QPushButton*>(QStringLiteral("id%1").arg(nButton)), "click",
                              Qt::QueuedConnection);
}

void OpenWithoutAdapter(MessageWindow& w)
{
    PressInAdapterDialogWithoutAdapter(w, 1031);
}

void RescanWithoutAdapter(MessageWindow& w)
{
    PressInAdapterDialogWithoutAdapter(w, 1033);
}

struct MessageCase {
    const char* szName;
    void (*provoke)(MessageWindow&);
    QStringList english; // words the first line holds
    QStringList german;
    // What the fitting's EEPROM holds afterwards: as before, whole rows (a
    // write cut short), or nothing to check (the adapter is gone).
    enum { Unchanged, WholeRows, Unreachable } eAfter;
};

const MessageCase kCases[] = {
    {"unknown article", OpenUnknownArticle, {"lobby.xml", "23 999 99 99", "no product definition knows"},
     {"lobby.xml", "23 999 99 99", "keine Produktdefinition kennt"}, MessageCase::Unchanged},
    // The first line says what the fitting holds; the adapter's hint follows.
    {"adapter pulled during a write", PullAdapterDuringWrite, {"The fitting may now hold a mix of old and new settings."},
     {"Die Armatur hält jetzt womöglich alte und neue Einstellungen gemischt."}, MessageCase::WholeRows},
    {"value out of range in a disabled row", WriteWithDisabledRowOutOfRange,
     {"\"Runtime [s]\" in \"Cleaning stop\"", "range from (10) to (300)", "switched off"},
     {"\"Laufzeit [s]\" in \"Reinigungsstop\"", "Bereich von (10) bis (300)", "ausgeschaltet"}, MessageCase::Unchanged},
    {"cut HEX file", ChooseCutHexFile, {"\"faucet_cut.hex\"", "damaged or incomplete", "Get the file again"},
     {"\"faucet_cut.hex\"", "beschädigt oder unvollständig", "Besorgen Sie die Datei erneut"}, MessageCase::Unchanged},
    {"image of another family", ChooseImageOfAnotherFamily, {"\"flushvalve_V3.01.hex\"", "flush valves", "basin faucet (Ambra)"},
     {"\"flushvalve_V3.01.hex\"", "Spülventile", "Waschtischarmatur (Ambra)"}, MessageCase::Unchanged},
    {"no adapter", OpenWithoutAdapter, {"bus adapter", "Rescan"}, {"Bus Adapter", "Neu suchen"}, MessageCase::Unreachable},
    {"empty rescan", RescanWithoutAdapter, {"No bus adapter", "was found", "Plug the bus adapter into the PC"},
     {"kein Busadapter", "gefunden", "Stecken Sie den Bus Adapter in den PC"}, MessageCase::Unreachable},
};

// Answers every message box: Yes to a question, OK to an error, whose texts
// it keeps; the first error box is photographed when asked.
class ErrorBoxWatch : public QObject {
public:
    explicit ErrorBoxWatch(QString screenshot) : m_screenshot(std::move(screenshot)) { qApp->installEventFilter(this); }
    ~ErrorBoxWatch() override { qApp->removeEventFilter(this); }
    QStringList errors;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        auto* pBox = qobject_cast<QMessageBox*>(pWatched);
        if (pBox == nullptr || pEvent->type() != QEvent::Show)
            return false;
        const bool bError = pBox->icon() == QMessageBox::Critical;
        if (bError)
            errors << pBox->text();
        QTimer::singleShot(0, pBox, [this, pBox, bError] {
            if (bError && errors.size() == 1 && !m_screenshot.isEmpty())
                SaveScreenshot(*pBox, m_screenshot);
            pBox->done(bError ? QMessageBox::Ok : QMessageBox::Yes);
        });
        return false;
    }

private:
    QString m_screenshot;
};

} // namespace

class MessagesTest : public QObject {
    Q_OBJECT
private slots:
    void firstLineNamesTheThingInTheWindowsLanguage_data();
    void firstLineNamesTheThingInTheWindowsLanguage();
};

void MessagesTest::firstLineNamesTheThingInTheWindowsLanguage_data()
{
    QTest::addColumn<int>("caseIndex");
    QTest::addColumn<int>("language");
    for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i)
        for (const auto& [nLanguage, szLanguage] : {std::pair{kLanguageGerman, "de"}, std::pair{kLanguageEnglish, "en"}})
            QTest::addRow("%s, %s", kCases[i].szName, szLanguage) << i << nLanguage;
}

void MessagesTest::firstLineNamesTheThingInTheWindowsLanguage()
{
    QFETCH(int, caseIndex);
    QFETCH(int, language);
    const MessageCase& c = kCases[caseIndex];
    MessageWindow w(language);
    QVERIFY(w.window->strStartError.empty());
    QCOMPARE(w.window->dlg.Session().ProductType(), 3);
    const std::vector<unsigned char> before = Eeprom(w.env.sim);
    const bool bPhotographed = c.provoke == PullAdapterDuringWrite;
    const QString name = QStringLiteral("message_adapter_pulled_%1").arg(language == kLanguageEnglish ? "en" : "de");
    ErrorBoxWatch watch(bPhotographed ? name : QString());
    c.provoke(w);
    QTRY_COMPARE_WITH_TIMEOUT(watch.errors.size(), 1, 20000);
    QTRY_VERIFY(!w.window->dlg.Jobs().IsBusy());
    const QString firstLine = watch.errors.front().section(QLatin1Char('\n'), 0, 0);
    for (const QString& word : language == kLanguageEnglish ? c.english : c.german)
        QVERIFY2(firstLine.contains(word), qPrintable(word + QStringLiteral(" not in: ") + watch.errors.front()));
    if (c.provoke == PullAdapterDuringWrite) // the cause and what to do about it
        QVERIFY(watch.errors.front().contains(language == kLanguageEnglish ? QStringLiteral("Plug it back in") : QStringLiteral("Stecken Sie ihn wieder ein")));
    static const QRegularExpression internal(QStringLiteral("\\w::\\w|FT_\\w|LookupObjectByName|Timeout"));
    QVERIFY2(!firstLine.contains(internal), qPrintable(firstLine));
    if (c.eAfter == MessageCase::Unchanged)
        QVERIFY(Eeprom(w.env.sim) == before);
    else if (c.eAfter == MessageCase::WholeRows)
        QVERIFY(EveryRowSumHolds(w.env.sim));
}

QTEST_MAIN(MessagesTest)
#include "test_messages.moc"
