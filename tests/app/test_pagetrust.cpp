// What the settings pages show is what reaches the fitting: values from the
// fitting shown whole and refused at Write when out of range, configuration
// files taken whole or not at all, reset and a language switch that keep
// what they should, names that can be typed and stored as shown, and every
// way out of the key pad and the connection dialogs.

#include "AppTestSupport.h"
#include "ProductPagesSupport.h"

#include "app/AppGlobals.h"
#include "app/DlgBusconverter.h"
#include "app/DlgConnectionInformation.h"
#include "app/DlgKeyPad.h"
#include "app/DlgNewConfiguration.h"
#include "app/pages/SettingsPage.h"
#include "common/Language.h"
#include "pages/SettingsModel.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include <vector>

namespace {

// Puts a value into the fitting's field, little-endian, with the row's sum.
void PutValue(CSimulatorLibrary& sim, int nAddress, int nSize, unsigned uValue)
{
    const unsigned char bytes[2] = {static_cast<unsigned char>(uValue), static_cast<unsigned char>(uValue >> 8)};
    sim.api.WriteEeprom(0, static_cast<unsigned>(nAddress), bytes, static_cast<unsigned>(nSize));
    sim.api.FixRowSums(0);
}

// The fields' addresses in the maps, written out; both flush valves keep
// the Tarvo map, the urinal and the WC the urinal's.
struct FieldAddress {
    const char* szPage;
    const char* szField;
    int nAddress;
};
constexpr FieldAddress kFieldAddresses[] = {
    {"Tarvo", "SwitchLevel", 0x40},           {"Tarvo", "ValveDeadTimeTimeout", 0x52},
    {"Tarvo", "ValveDeadTimeRuntime", 0x5B},  {"Tarvo", "FlushTime", 0x86},
    {"Tarvo", "StagnationMode", 0x88},        {"Tarvo", "StagnationCycleTime", 0x89},
    {"Tarvo", "StagnationRuntime", 0x91},     {"Ambra", "CleaningStopRuntime", 0x6D},
    {"Ambra", "Maxruntime", 0x70},            {"Ambra", "Runtime", 0x72},
    {"Ambra", "StagnationMode", 0x76},        {"Ambra", "StagnationCycleTime", 0x77},
    {"Ambra", "StagnationRuntime", 0x79},     {"Ambra", "LEDCurrentOff", 0x94},
    {"Ambra", "PowerSavingTimeout", 0x9E},    {"Ambra", "NonStopOperationRuntime", 0xA9},
    {"Ambra", "ThermaldisinfectionRuntime", 0xAC}, {"Urinal", "Runtime", 0x72},
    {"Urinal", "StagnationMode", 0x76},       {"Urinal", "StagnationCycleTime", 0x77},
    {"Urinal", "StagnationRuntime", 0x79},    {"Urinal", "PowerSavingTimeout", 0x8E},
    {"Urinal", "StadiumDelta", 0x9D},         {"Urinal", "StadiumRuntime", 0xA0},
    {"Urinal", "LEDCurrentOff", 0xA4},        {"Urinal", "AirtrapLastUsed", 0xAC},
    {"Urinal", "ComfortFlushLastUsed", 0xAE}, {"Urinal", "FlushIndex", 0xC8},
};

// The field's address on the page's map, or -1.
int AddressOf(const char* szPage, const char* szField)
{
    const QByteArray map = qstrcmp(szPage, "TarvoV2") == 0 ? QByteArray("Tarvo") : QByteArray(szPage);
    for (const FieldAddress& field : kFieldAddresses)
        if (map == field.szPage && qstrcmp(szField, field.szField) == 0)
            return field.nAddress;
    return -1;
}

// A window with the fitting of the profile read, on its configuration page.
struct PageWindow {
    explicit PageWindow(const QByteArray& profile, int nLanguage = kLanguageEnglish)
        : env(("[adapter]\nserial = VB1\nfitting = " + profile + "\nstartup_ms = 100\nready_ms = 0\n").constData())
    {
        env.settings->setValue(QStringLiteral("Settings/Language"), nLanguage);
        window.emplace(env);
        window->PressNext();
        window->Child<QTabBar>(1079)->setCurrentIndex(1);
        page = window->dlg.findChildren<CSettingsPage*>().size() > 0 ? VisiblePage() : nullptr;
    }
    CSettingsPage* VisiblePage()
    {
        for (CSettingsPage* pPage : window->dlg.findChildren<CSettingsPage*>())
            if (pPage->isVisible())
                return pPage;
        return nullptr;
    }
    template <class T = QWidget>
    T* Control(int nId)
    {
        return page->findChild<T*>(QStringLiteral("id%1").arg(nId));
    }
    void Read() { Control<QPushButton>(page->Description().nReadId)->click(); }
    void Write() { Control<QPushButton>(page->Description().nWriteId)->click(); }

    AppEnvironment env;
    std::optional<StartedWindow> window;
    CSettingsPage* page = nullptr;
};

const std::vector<std::pair<const char*, int>>& Products()
{
    static const std::vector<std::pair<const char*, int>> products = {{"Tarvo", 1}, {"TarvoV2", 2}, {"Ambra", 3}, {"Urinal", 4},
                                                                      {"WC", 5},    {"Pelio", 6},   {"Culina", 7}};
    return products;
}

// Saves the page's settings and hands back the file's text.
QString SavedFile(PageWindow& w, const QString& path)
{
    w.page->m_chooseSaveFile = [path] { return path; };
    w.window->dlg.findChild<QAction*>(QStringLiteral("id1058"))->trigger();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Types the text key by key, as a keyboard would (also letters beyond ASCII).
void TypeText(QWidget* pWidget, const QString& text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, pWidget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

void WriteText(const QString& path, const QString& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toLatin1());
}

} // namespace

class PageTrustTest : public QObject {
    Q_OBJECT
private slots:
    void valuesFromTheFittingAreShownWholeAndRefused_data();
    void valuesFromTheFittingAreShownWholeAndRefused();
    void aFileIsTakenWholeOrNotAtAll_data();
    void aFileIsTakenWholeOrNotAtAll();
    void typingStopsAtTheLimit();
    void resetAfterALanguageSwitchKeepsListsAndNames();
    void namesCanBeTyped_data();
    void namesCanBeTyped();
    void everyWayOutOfTheKeyPadGivesTheWindowBack_data();
    void everyWayOutOfTheKeyPadGivesTheWindowBack();
    void everyWayOutOfTheConnectionDialogsGivesTheWindowBack_data();
    void everyWayOutOfTheConnectionDialogsGivesTheWindowBack();
};

void PageTrustTest::valuesFromTheFittingAreShownWholeAndRefused_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<int>("productType");
    for (const auto& [szProfile, nType] : Products())
        QTest::newRow(szProfile) << QByteArray(szProfile) << nType;
}

// Every number row of every page, with values outside its limits that its
// field can hold: min - 1, max + 1, 1000, 10000, 65535.
void PageTrustTest::valuesFromTheFittingAreShownWholeAndRefused()
{
    QFETCH(QByteArray, profile);
    QFETCH(int, productType);
    PageWindow w(profile);
    QVERIFY(w.page != nullptr);
    CSettingsModel model(*FindSettingsFamily(productType), w.window->dlg.Session().Config(), productType);
    int nCases = 0;
    for (const CPageGroup& group : w.page->Description().groups) {
        for (const CPageRow& row : group.rows) {
            const CSettingField* pField = model.FindField(row.szField);
            auto* pEdit = w.Control<QLineEdit>(row.nControlId);
            if (row.nPlusId == 0 || pField == nullptr || !pEdit->isVisible())
                continue;
            const CProductSetting* pSetting = nullptr;
            std::string strError;
            QCOMPARE(model.GetSetting(row.szField, pSetting, strError), 0);
            const int nAddress = AddressOf(w.page->Description().szPageName, row.szField);
            QVERIFY2(nAddress >= 0, row.szField);
            const std::vector<unsigned char> original = Eeprom(w.env.sim);
            const unsigned uLimit = pField->nSize == 1 ? 0xFFu : 0xFFFFu;
            for (const unsigned uValue : {pSetting->GetMin() - 1, pSetting->GetMax() + 1, 1000u, 10000u, 65535u}) {
                const unsigned uStored = uValue * pField->dwScale;
                const bool bOutside = uValue < pSetting->GetMin() || uValue > pSetting->GetMax();
                const bool bSwitchesOff = pField->bZeroMeansOff && uValue == 0; // 0 is the group's "off", shown as 1
                if (!bOutside || bSwitchesOff || uStored > uLimit || uStored / pField->dwScale != uValue)
                    continue;
                const QString label = QStringLiteral("%1 = %2").arg(QString::fromUtf8(row.szField)).arg(uValue);
                PutValue(w.env.sim, nAddress, pField->nSize, uStored);
                w.Read();
                QVERIFY2(pEdit->text() == QString::number(uValue), qPrintable(label + QStringLiteral(" shown as ") + pEdit->text()));
                QVERIFY2(w.page->IsMarked(row.szField), qPrintable(label));
                const std::vector<unsigned char> before = Eeprom(w.env.sim);
                MessageBoxWatch boxes;
                w.Write();
                QVERIFY2(boxes.unexpected.size() == 1 && boxes.unexpected.first().contains(QStringLiteral("range")), qPrintable(label));
                QVERIFY2(pEdit->selectedText() == pEdit->text(), qPrintable(label)); // the field to correct
                QVERIFY2(Eeprom(w.env.sim) == before, qPrintable(label));
                ++nCases;
            }
            w.env.sim.api.WriteEeprom(0, 0, original.data(), static_cast<unsigned>(original.size()));
        }
    }
    QVERIFY2(nCases > 0, "no row of the page was tried");
}

void PageTrustTest::aFileIsTakenWholeOrNotAtAll_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("named");
    // Entries as saved files hold them; each change breaks one.
    QTest::newRow("Ambra, no Runtime") << QByteArray("Ambra") << QStringLiteral("<Runtime>") << QStringLiteral("<Unknown>")
                                       << QStringLiteral("has no value for \"Post runtime [ms]\"");
    QTest::newRow("Ambra, Maxruntime 1000") << QByteArray("Ambra") << QStringLiteral("<Maxruntime>")
                                            << QStringLiteral("<Maxruntime>1000</Maxruntime><Ignored>") << QStringLiteral("\"Max runtime [s]\" is outside");
    QTest::newRow("Ambra, no installer") << QByteArray("Ambra") << QStringLiteral("<Installer>") << QStringLiteral("<Unknown>")
                                         << QStringLiteral("has no value for \"Installer\"");
    QTest::newRow("Ambra, a flush valve's sheet") << QByteArray("Ambra") << QStringLiteral(">Ambra<") << QStringLiteral(">Tarvo<")
                                                  << QStringLiteral("holds settings of the product type \"Tarvo\"");
    QTest::newRow("Ambra, unknown article") << QByteArray("Ambra") << QStringLiteral(">230300301<") << QStringLiteral(">239999999<")
                                            << QStringLiteral("is for article number 23 999 99 99, which no product definition knows.");
    QTest::newRow("TarvoV2, FlushTime 65535") << QByteArray("TarvoV2") << QStringLiteral("<FlushTime>")
                                              << QStringLiteral("<FlushTime>65535</FlushTime><Ignored>") << QStringLiteral("is outside");
    QTest::newRow("Urinal, no StagnationMode") << QByteArray("Urinal") << QStringLiteral("<StagnationMode>")
                                               << QStringLiteral("<Unknown>") << QStringLiteral("has no value for");
}

// A file refused leaves the product in force and the page as they were, and
// the message names the file and the setting as the page names it.
void PageTrustTest::aFileIsTakenWholeOrNotAtAll()
{
    QFETCH(QByteArray, profile);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, named);
    PageWindow w(profile);
    const QString path = QDir(w.env.Path()).filePath(QStringLiteral("broken.xml"));
    QString text = SavedFile(w, path);
    QVERIFY2(text.contains(from), qPrintable(text));
    // One entry replaced: an element renamed keeps the file well formed.
    const QString closing = from.startsWith(QLatin1Char('<')) ? QStringLiteral("</") + from.mid(1) : QString();
    const int nAt = text.indexOf(from);
    text.replace(nAt, from.size(), to);
    if (!closing.isEmpty() && to.startsWith(QStringLiteral("<Unknown>")))
        text.replace(text.indexOf(closing, nAt), closing.size(), QStringLiteral("</Unknown>"));
    if (to.endsWith(QStringLiteral("<Ignored>")))
        text.replace(text.indexOf(closing, nAt + to.size()), closing.size(), QStringLiteral("</Ignored>"));
    WriteText(path, text);

    // The page shows something of its own that the file would change.
    for (const CPageGroup& group : w.page->Description().groups)
        for (const CPageRow& row : group.rows)
            if (row.nPlusId != 0 && w.Control<QLineEdit>(row.nControlId)->isVisible())
                w.Control<QLineEdit>(row.nControlId)->setText(QStringLiteral("7"));
    auto* pInstaller = w.Control<QComboBox>(w.page->Description().nInstallerId);
    pInstaller->setEditText(QStringLiteral("Shown"));
    QStringList shown;
    for (QLineEdit* pEdit : w.page->findChildren<QLineEdit*>())
        shown << pEdit->text();
    const std::string strArticle = w.window->dlg.GetArticleNumberInForce();
    const int nType = w.window->dlg.Session().ProductType();

    w.window->dlg.m_chooseOpenFile = [path] { return path; };
    MessageBoxWatch boxes(QStringLiteral("Do you want to override the current settings?"));
    w.window->dlg.findChild<QAction*>(QStringLiteral("id1093"))->trigger();
    QCOMPARE(boxes.unexpected.size(), 1);
    const QString message = boxes.unexpected.first();
    // A file of an unknown product is told by its article number alone.
    const QString lead = named.startsWith(QStringLiteral("is for article")) ? QStringLiteral("The configuration file \"broken.xml\" ")
                                                                           : QStringLiteral("The configuration file \"broken.xml\" was not loaded: ");
    QVERIFY2(message.startsWith(lead) && message.contains(named) && message.contains(QStringLiteral("The settings shown stay as they are.")),
             qPrintable(message));
    QVERIFY2(!message.section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral("::")), qPrintable(message)); // no function name up front
    QStringList after;
    for (QLineEdit* pEdit : w.page->findChildren<QLineEdit*>())
        after << pEdit->text();
    QCOMPARE(after, shown);
    QCOMPARE(w.window->dlg.GetArticleNumberInForce(), strArticle);
    QCOMPARE(w.window->dlg.Session().ProductType(), nType);
    QVERIFY(w.VisiblePage() == w.page);
}

// The limit holds for typing, not for what the program shows.
void PageTrustTest::typingStopsAtTheLimit()
{
    PageWindow w("Ambra");
    auto* pMax = w.Control<QLineEdit>(1150); // Max runtime, three characters
    pMax->setText(QStringLiteral("1000"));
    QCOMPARE(pMax->text(), QStringLiteral("1000"));
    pMax->clear();
    QTest::keyClicks(pMax, QStringLiteral("12345"));
    QCOMPARE(pMax->text(), QStringLiteral("123"));
}

// Read in German, switched to English, reset: the lists keep their choice in
// English and the write goes through; names and date are not touched.
void PageTrustTest::resetAfterALanguageSwitchKeepsListsAndNames()
{
    PageWindow w("Ambra", kLanguageGerman);
    auto* pMode = w.Control<QComboBox>(1159);
    const int nModeIndex = pMode->currentIndex();
    QVERIFY(nModeIndex >= 0);
    w.window->dlg.findChild<QAction*>(QStringLiteral("id1073"))->trigger(); // English
    const int nLabels = pMode->count();
    auto* pInstaller = w.Control<QComboBox>(1220);
    pInstaller->setEditText(QStringLiteral("Typed here"));
    const QDate date(2025, 3, 4);
    w.Control<QDateEdit>(1194)->setDate(date);
    QString caption;
    QString question;
    QTimer::singleShot(0, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox == nullptr)
            return;
        caption = pBox->windowTitle();
        question = pBox->text();
        pBox->button(QMessageBox::Yes)->click();
    });
    w.Control<QPushButton>(1169)->click();
    QCOMPARE(caption, QStringLiteral("Information"));
    QCOMPARE(question, QStringLiteral("Do you want to reset the settings to their defaults?"));
    QCOMPARE(pMode->count(), nLabels); // no German entry added
    QCOMPARE(pMode->currentIndex(), nModeIndex);
    QCOMPARE(pInstaller->currentText(), QStringLiteral("Typed here"));
    QCOMPARE(w.Control<QDateEdit>(1194)->date(), date);
    MessageBoxWatch boxes;
    w.Write();
    QVERIFY2(boxes.unexpected.isEmpty(), qPrintable(boxes.unexpected.join(QLatin1Char('|'))));

    g_nLanguage = kLanguageGerman;
    QString germanQuestion;
    QTimer::singleShot(0, [&] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            germanQuestion = pBox->text();
            pBox->button(QMessageBox::No)->click();
        }
    });
    w.Control<QPushButton>(1169)->click();
    QCOMPARE(germanQuestion, QString::fromUtf8("Möchten Sie die Daten der Benutzeroberfläche zurücksetzen?\n\n(Die Daten in der Armatur bleiben unverändert.)"));
}

void PageTrustTest::namesCanBeTyped_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("section");
    QTest::newRow("installer") << 1220 << QStringLiteral("Installer");
    QTest::newRow("placement") << 1219 << QStringLiteral("Placement");
}

// With a pair of names where one begins the other, the shorter one can be
// typed: Backspace and Delete take the completion away, and Backspace away
// from the start does not complete again. Pasted tabs and line breaks are
// cleaned in the field, a character the fitting cannot hold is refused, and
// the fitting stores what the field shows.
void PageTrustTest::namesCanBeTyped()
{
    QFETCH(int, field);
    QFETCH(QString, section);
    AppEnvironment env("[adapter]\nserial = VB1\nfitting = Ambra\nstartup_ms = 100\nready_ms = 0\n");
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    env.settings->setValue(section + QStringLiteral("/") + section + QStringLiteral("_0"), QString::fromUtf8("Jäger Sanitär"));
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    auto* pCombo = window.PageChild<QComboBox>("Ambra", field);
    QLineEdit* pEdit = pCombo->lineEdit();

    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete}) {
        pEdit->clear();
        TypeText(pEdit, QString::fromUtf8("Jäger"));
        QCOMPARE(pEdit->text(), QString::fromUtf8("Jäger Sanitär")); // completed, the rest selected
        QTest::keyClick(pEdit, key);
        QCOMPARE(pEdit->text(), QString::fromUtf8("Jäger"));
    }
    // Backspace in the middle of a name edits it and completes nothing.
    pEdit->setText(QString::fromUtf8("Jäger Sanitär"));
    pEdit->setCursorPosition(5);
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    QCOMPARE(pEdit->text(), QString::fromUtf8("Jäge Sanitär"));

    pEdit->clear();
    pEdit->insert(QStringLiteral("Bad\t2\n3"));
    QCOMPARE(pEdit->text(), QStringLiteral("Bad 2 3"));
    pEdit->insert(QString::fromUtf8("Ω"));
    QCOMPARE(pEdit->text(), QStringLiteral("Bad 2 3"));
    pEdit->insert(QString::fromUtf8("ä"));
    QCOMPARE(pEdit->text(), QString::fromUtf8("Bad 2 3ä"));

    MessageBoxWatch boxes;
    window.PageChild<QPushButton>("Ambra", 1170)->click();
    QVERIFY2(boxes.unexpected.isEmpty(), qPrintable(boxes.unexpected.join(QLatin1Char('|'))));
    window.PageChild<QPushButton>("Ambra", 1168)->click(); // read back from the fitting
    QCOMPARE(pCombo->currentText(), QString::fromUtf8("Bad 2 3ä"));
}

void PageTrustTest::everyWayOutOfTheKeyPadGivesTheWindowBack_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("OK") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Escape") << 2;
    QTest::newRow("fitting lost") << 3;
}

void PageTrustTest::everyWayOutOfTheKeyPadGivesTheWindowBack()
{
    QFETCH(int, way);
    AppEnvironment env("[adapter]\nserial = VB1\nfitting = Ambra\n");
    env.settings->setValue(QStringLiteral("Settings/KeyPad"), 1);
    StartedWindow window(env);
    window.PressNext();
    window.Child<QTabBar>(1079)->setCurrentIndex(1);
    CDlgKeyPad& pad = *window.dlg.m_dlgKeyPad;
    window.dlg.findChild<CSettingsPage*>(QStringLiteral("Ambra"))->ShowKeyPad(1150);
    QVERIFY(pad.isVisible());
    QVERIFY(!window.dlg.isEnabled());
    switch (way) {
    case 0:
        pad.findChild<QPushButton*>(QStringLiteral("id1253"))->click();
        break;
    case 1:
        pad.close();
        break;
    case 2:
        QTest::keyClick(&pad, Qt::Key_Escape);
        break;
    default:
        env.sim.api.UnplugFitting(0);
        QTRY_VERIFY_WITH_TIMEOUT(window.dlg.m_dlgConnectionInformation->isVisible(), 4000);
        QVERIFY(!pad.isVisible());
        window.dlg.m_dlgConnectionInformation->findChild<QPushButton*>(QStringLiteral("id1139"))->click();
        break;
    }
    QVERIFY(!pad.isVisible());
    QVERIFY(window.dlg.isEnabled());
}

void PageTrustTest::everyWayOutOfTheConnectionDialogsGivesTheWindowBack_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("way");
    for (const char* szDialog : {"CDlgBusconverter", "CDlgNewConfiguration", "CDlgConnectionInformation"})
        for (const auto& [szWay, nWay] : {std::pair{"button", 0}, std::pair{"close box", 1}, std::pair{"Escape", 2}})
            QTest::addRow("%s, %s", szDialog, szWay) << QString::fromUtf8(szDialog) << nWay;
}

void PageTrustTest::everyWayOutOfTheConnectionDialogsGivesTheWindowBack()
{
    QFETCH(QString, dialog);
    QFETCH(int, way);
    AppEnvironment env("[adapter]\nserial = VB1\nfitting = Ambra\n");
    StartedWindow window(env);
    window.PressNext();
    CNexaroDlg& dlg = window.dlg;
    QDialog* pDialog = nullptr;
    int nButton = 0;
    if (dialog == QStringLiteral("CDlgBusconverter")) {
        dlg.findChild<QAction*>(QStringLiteral("id1070"))->trigger();
        pDialog = dlg.m_dlgBusconverter;
        nButton = 1031; // Open the adapter listed
        QMetaObject::invokeMethod(pDialog->findChild<QPushButton*>(QStringLiteral("id1033")), "click");
    } else if (dialog == QStringLiteral("CDlgNewConfiguration")) {
        dlg.findChild<QAction*>(QStringLiteral("id1048"))->trigger();
        pDialog = dlg.m_dlgNewConfiguration;
        nButton = 1024; // Cancel
    } else {
        env.sim.api.UnplugFitting(0);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.m_dlgConnectionInformation->isVisible(), 4000);
        pDialog = dlg.m_dlgConnectionInformation;
        nButton = 1139; // Close
    }
    QVERIFY(pDialog->isVisible());
    QVERIFY(!dlg.isEnabled());
    switch (way) {
    case 0: {
        pDialog->findChild<QPushButton*>(QStringLiteral("id%1").arg(nButton))->click();
        break;
    }
    case 1:
        pDialog->close();
        break;
    default:
        QTest::keyClick(pDialog, Qt::Key_Escape);
        break;
    }
    QVERIFY(!pDialog->isVisible());
    QVERIFY(dlg.isEnabled());
}

QTEST_MAIN(PageTrustTest)
#include "test_pagetrust.moc"
