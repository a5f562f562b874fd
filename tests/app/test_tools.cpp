// The firmware page in service mode: choosing an image, programming the
// simulated fitting behind the progress dialog, and identifying it again.

#include "ToolsTestSupport.h"

#include <cerrno>
#include <system_error>

class ToolsTest : public QObject {
    Q_OBJECT
private slots:
    void manualProgrammingGovernsSelect();
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
    void selectOffersFlashFiles_data();
    void selectOffersFlashFiles();
    void filesThatCannotBeProgrammedAreRefused_data();
    void filesThatCannotBeProgrammedAreRefused();
    void aFileThatCannotBeOpenedKeepsTheSystemsReason_data();
    void aFileThatCannotBeOpenedKeepsTheSystemsReason();
    void productWithoutDownloadIsNotSupported_data();
    void productWithoutDownloadIsNotSupported();
    void startProgramsTheFitting();
    void faultInTheMiddleAbortsAndTheNextRunSucceeds();
    void anotherUnitAfterTheDownloadIsNoSuccess();
    void aDownloadCutShortCanBeFinished_data();
    void aDownloadCutShortCanBeFinished();
    void aFittingInItsBootloaderAtStart_data();
    void aFittingInItsBootloaderAtStart();
};

void ToolsTest::manualProgrammingGovernsSelect()
{
    ToolsWindow tools(kLanguageEnglish);
    QVERIFY(tools.page != nullptr);
    auto* pCheck = tools.PageChild<QCheckBox>(1275);
    QVERIFY(!pCheck->isChecked()); // as the page opens
    for (const bool bChecked : {false, true, false}) {
        pCheck->setChecked(bChecked);
        const QColor expected = bChecked ? QColor(Qt::black) : QColor(170, 170, 170);
        QCOMPARE(tools.PageChild(1276)->isEnabled(), bChecked);
        QCOMPARE(tools.PageChild(1264)->palette().color(QPalette::WindowText), expected);
        QCOMPARE(tools.PageChild(1266)->palette().color(QPalette::WindowText), expected);
        QVERIFY(!tools.PageChild(1268)->isEnabled()); // no file yet
    }
    SaveScreenshot(tools.window->dlg, QStringLiteral("tools_unticked_en"));
}

void ToolsTest::textsFollowTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts"); // 1264, 1276, 1266, 1268, tooltip of 1275
    QTest::newRow("de") << kLanguageGerman
                        << QStringList{"Programmierung FLASH Speicher", "Auswahl", "Wähle Datei", "Start Programmierung",
                                       "Schaltet die manuelle Programmierung ein/aus"};
    QTest::newRow("en") << kLanguageEnglish
                        << QStringList{"Programming FLASH memory", "Select", "Choose file", "Start programming",
                                       "Enables / disables the manual programming"};
}

void ToolsTest::textsFollowTheLanguage()
{
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    // Started in the other language, then switched as the menu does.
    ToolsWindow tools(language == kLanguageEnglish ? kLanguageGerman : kLanguageEnglish);
    QVERIFY(tools.page != nullptr);
    g_nLanguage = language;
    tools.window->dlg.SetLanguage(language);
    QCOMPARE(tools.PageChild<QLabel>(1264)->text(), texts[0]);
    QCOMPARE(tools.PageChild<QPushButton>(1276)->text(), texts[1]);
    QCOMPARE(tools.PageChild<QLabel>(1266)->text(), texts[2]);
    QCOMPARE(tools.PageChild<QPushButton>(1268)->text(), texts[3]);
    QCOMPARE(tools.PageChild(1275)->toolTip(), texts[4]);
}

void ToolsTest::selectOffersFlashFiles_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("filter");
    QTest::newRow("de") << kLanguageGerman << QStringLiteral("Flash Dateien (*.hex)");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral("Flash files (*.hex)");
}

void ToolsTest::selectOffersFlashFiles()
{
    QFETCH(int, language);
    QFETCH(QString, filter);
    ToolsWindow tools(language);
    QVERIFY(tools.page != nullptr);
    tools.PageChild<QCheckBox>(1275)->setChecked(true);
    const QString image = Firmware(QStringLiteral("faucet_V4.02.hex"));
    FileDialogSeen seen;
    AnswerFileDialog(image, &seen);
    tools.PageChild<QPushButton>(1276)->click();
    QCOMPARE(seen.filters, QStringList{filter});
    QCOMPARE(seen.suffix, QStringLiteral("hex"));
    QVERIFY(seen.bExistingFile);
    QVERIFY(seen.bOpen);
    QCOMPARE(tools.PageChild<QLabel>(1266)->text(), QDir::toNativeSeparators(QStringLiteral("~/firmware/faucet_V4.02.hex")));
    QVERIFY(tools.PageChild(1268)->isEnabled());
}

void ToolsTest::filesThatCannotBeProgrammedAreRefused_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // the error box's text begins with it or contains it
    const QByteArray valid = FileContent(Firmware(QStringLiteral("faucet_V4.02.hex")));
    const QByteArray wrongSignature = FileContent(Firmware(QStringLiteral("faucet_wrong_signature.hex")));
    QTest::newRow("U5 en") << kLanguageEnglish << wrongSignature << QStringLiteral("File not supported");
    QTest::newRow("U5 de") << kLanguageGerman << wrongSignature << QStringLiteral("Die gewählte Datei ist nicht gültig!");
    QTest::newRow("flush valve image") << kLanguageEnglish << FileContent(Firmware(QStringLiteral("flushvalve_V3.01.hex")))
                                       << QStringLiteral("File not supported");
    QTest::newRow("cut off before its end record")
        << kLanguageEnglish << valid.left(valid.lastIndexOf(":00000001FF")) << QStringLiteral("no end-of-file record");
    QTest::newRow("bad checksum") << kLanguageEnglish << QByteArray(valid).replace(":10180000EDB380DD", ":10180000EDB380DE")
                                  << QStringLiteral("contains an invalid checksum");
}

void ToolsTest::filesThatCannotBeProgrammedAreRefused()
{
    QFETCH(int, language);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    ToolsWindow tools(language);
    QVERIFY(tools.page != nullptr);
    tools.Choose(Firmware(QStringLiteral("faucet_V4.02.hex")));
    QVERIFY(tools.PageChild(1268)->isEnabled());
    const QString path = QDir(tools.env.Path()).filePath(QStringLiteral("firmware.hex"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    QString shown;
    AnswerMessageBox(QMessageBox::Ok, &shown);
    tools.page->ChooseFile(path);
    QVERIFY2(shown.contains(message), qPrintable(shown));
    QVERIFY(!tools.PageChild(1268)->isEnabled());
    QCOMPARE(tools.PageChild<QLabel>(1266)->text(), language == kLanguageEnglish ? QStringLiteral("Choose file") : QStringLiteral("Wähle Datei"));
}

void ToolsTest::aFileThatCannotBeOpenedKeepsTheSystemsReason_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("lead");
    QTest::newRow("en") << kLanguageEnglish
                        << QStringLiteral("The firmware file \"gone.hex\" can't be read. Check that it exists and that you may read it.");
    QTest::newRow("de") << kLanguageGerman
                        << QStringLiteral("Die Firmware-Datei \"gone.hex\" kann nicht gelesen werden. Prüfen Sie, ob sie vorhanden ist und "
                                          "Sie sie lesen dürfen.");
}

void ToolsTest::aFileThatCannotBeOpenedKeepsTheSystemsReason()
{
    QFETCH(int, language);
    QFETCH(QString, lead);
    ToolsWindow tools(language);
    QVERIFY(tools.page != nullptr);
    const QString path = QDir(tools.env.Path()).filePath(QStringLiteral("gone.hex"));
    QString shown;
    AnswerMessageBox(QMessageBox::Ok, &shown);
    tools.page->ChooseFile(path);
    const QString reason = QString::fromStdString(std::generic_category().message(ENOENT));
    QCOMPARE(shown, lead + QStringLiteral("\n\nDetails: Can't open the given file (%1). The system reports the error: (%2)").arg(path, reason));
    QVERIFY(!tools.PageChild(1268)->isEnabled());
}

void ToolsTest::productWithoutDownloadIsNotSupported_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("message");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral("Device not supported");
    QTest::newRow("de") << kLanguageGerman << QStringLiteral("Unbekanntes Gerät");
}

void ToolsTest::productWithoutDownloadIsNotSupported()
{
    QFETCH(int, language);
    QFETCH(QString, message);
    ToolsWindow tools(language);
    QVERIFY(tools.page != nullptr);
    tools.Choose(Firmware(QStringLiteral("faucet_V4.02.hex")));
    std::string strIgnored;
    tools.window->dlg.Session().SetProductType(0, strIgnored); // the product in force has gone since
    tools.env.sim.api.ClearTrace();
    QString shown;
    AnswerMessageBox(QMessageBox::Ok, &shown);
    const DownloadRun run = PressStart(tools);
    QCOMPARE(shown, message);
    QVERIFY2(run.steps.isEmpty(), qPrintable(run.steps.join(QLatin1Char('\n'))));
    QVERIFY(run.question.isEmpty()); // nothing to ask about
    QVERIFY2(!BootloaderActivated(tools.env.sim), "the boot loader was activated");
    QVERIFY(!tools.window->dlg.m_dlgProgress->isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void ToolsTest::startProgramsTheFitting()
{
    // The steps as the download words them (in each language: the download's
    // own tests), shown live by the window.
    const QStringList steps{"10% Activate bootloader",
                            "20% Reset module",
                            "5% Change the communication speed to: 38400 Bit/s",
                            "0% Erasing flash: Address: 0x1800, length: 64",
                            "100% Erasing flash: Address: 0x7FC0, length: 64",
                            "0% Flashing data: Address: 0x1800, length: 64",
                            "100% Flashing data: Address: 0x7FC0, length: 64",
                            "100% Change the communication speed to: 2400 Bit/s",
                            "100% Activate application",
                            "100% Reset Module",
                            "100% Download procedure finished successfully"};
    const QString suffix = QStringLiteral("en");
    ToolsWindow tools(kLanguageEnglish);
    QVERIFY(tools.page != nullptr);
    const QString image = Firmware(QStringLiteral("faucet_V4.02.hex"));
    tools.Choose(image);
    QVERIFY(tools.PageChild(1268)->isEnabled());
    QCOMPARE(tools.PageChild<QLabel>(1266)->text(), QDir::toNativeSeparators(QStringLiteral("~/firmware/faucet_V4.02.hex")));
    SaveScreenshot(tools.window->dlg, QStringLiteral("tools_before_") + suffix);

    const int nRetryCount = tools.window->link.GetRetryCount();
    const DownloadRun run = PressStart(tools, QStringLiteral("tools_during_") + suffix);
    QCOMPARE(run.question, QStringLiteral("Do you want to program the firmware of the file into the faucet?\n\n"
                                          "In the faucet: V1.12\nFrom the file: V4.02"));
    QVERIFY2(run.notLive.isEmpty(), qPrintable(run.notLive));
    const QString missing = MissingStep(run.steps, steps);
    QVERIFY2(missing.isEmpty(), qPrintable(missing + QStringLiteral(" not shown after:\n") + run.steps.join(QLatin1Char('\n'))));
    const QString mismatch = FlashMismatch(tools.env.sim, image);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    VSimFittingState state{};
    tools.env.sim.api.GetFittingState(0, &state);
    QCOMPARE(state.running, VSIM_RUNNING_APPLICATION);
    // Identified again: the new version in the window.
    QCOMPARE(tools.FirmwareShown(), QStringLiteral("V4.02"));
    QVERIFY(!tools.window->dlg.m_dlgProgress->isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(tools.window->link.GetRetryCount(), nRetryCount);
    QVERIFY(!tools.PageChild(1268)->isEnabled()); // until a file is chosen again
    SaveScreenshot(tools.window->dlg, QStringLiteral("tools_after_") + suffix);
}

void ToolsTest::faultInTheMiddleAbortsAndTheNextRunSucceeds()
{
    ToolsWindow tools(kLanguageEnglish);
    QVERIFY(tools.page != nullptr);
    const QString image = Firmware(QStringLiteral("faucet_V4.02.hex"));
    tools.Choose(image);
    // The 101st flash write (0x3100) and every one after it go unheard, retries too.
    VSimFault fault{VSIM_FAULT_NO_ANSWER, VSIM_TRIGGER_COMMAND, 16, 0, 0, 0, nullptr, nullptr, 0, 0x3100, 0x8000 - 0x3100};
    const int nFault = tools.env.sim.api.AddFault(0, &fault);
    QString failure;
    AnswerMessageBox(QMessageBox::Ok, &failure);
    const DownloadRun aborted = PressStart(tools);
    QVERIFY(tools.env.sim.api.GetFaultHits(nFault) > 0);
    // Never a green "connected" alone: the technician is told what is left.
    QVERIFY2(failure.contains(QStringLiteral("no working application now and waits in its boot loader")), qPrintable(failure));
    QVERIFY2(aborted.steps.last().endsWith(QStringLiteral("% Download procedure aborted")), qPrintable(aborted.steps.last()));
    QVERIFY(aborted.steps.filter(QStringLiteral("finished successfully")).isEmpty());
    QVERIFY(!tools.window->dlg.m_dlgProgress->isVisible());

    tools.env.sim.api.ClearFaults();
    tools.ShowToolsTab();
    tools.Choose(image);
    const DownloadRun second = PressStart(tools);
    QCOMPARE(second.steps.last(), QStringLiteral("100% Download procedure finished successfully"));
    const QString mismatch = FlashMismatch(tools.env.sim, image);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QCOMPARE(tools.FirmwareShown(), QStringLiteral("V4.02"));
}

// A fitting exchanged as the application is activated: the download wrote
// its blocks, but another unit answers; the window says so and shows it.
void ToolsTest::anotherUnitAfterTheDownloadIsNoSuccess()
{
    ToolsWindow tools(kLanguageEnglish);
    tools.Choose(Firmware(QStringLiteral("faucet_V4.02.hex")));
    const VSimFault exchange{VSIM_FAULT_EXCHANGE_FITTING, VSIM_TRIGGER_COMMAND, CVelmorTPBase::CmdActivateApplication, 1, 0, 0, nullptr, nullptr, 0, 0, 0};
    QVERIFY(tools.env.sim.api.AddFault(0, &exchange) > 0);
    MessageBoxWatch boxes;
    const DownloadRun run = PressStart(tools);
    QVERIFY(!run.steps.isEmpty());
    QCOMPARE(boxes.unexpected.size(), 1);
    const QString message = boxes.unexpected.first();
    QVERIFY2(message.startsWith(QStringLiteral("The firmware was written, but what answers now is not the faucet as programmed."))
                 && message.contains(QStringLiteral("Another unit answers after the download")),
             qPrintable(message));
    QCOMPARE(tools.FirmwareShown(), QStringLiteral("V1.12")); // the unit that answers now, never programmed
}

void ToolsTest::aDownloadCutShortCanBeFinished_data()
{
    QTest::addColumn<int>("phase");
    for (int i = 0; i < static_cast<int>(std::size(kDownloadPhases)); ++i)
        QTest::newRow(kDownloadPhases[i].name) << i;
}

// The adapter pulled in a phase of the download and put back: the window
// says so, keeps the Tools page, and the next download finishes the job.
void ToolsTest::aDownloadCutShortCanBeFinished()
{
    QFETCH(int, phase);
    const DownloadPhase& cut = kDownloadPhases[phase];
    ToolsWindow tools(kLanguageEnglish);
    const QString image = Firmware(QStringLiteral("faucet_V4.02.hex"));
    tools.Choose(image);
    const VSimFault pull = PullInPhase(cut);
    QVERIFY(tools.env.sim.api.AddFault(0, &pull) > 0);
    MessageBoxWatch boxes;
    PressStart(tools);
    QVERIFY(!boxes.unexpected.isEmpty());
    QVERIFY2(boxes.unexpected.first().contains(QStringLiteral("waits in its boot loader")), qPrintable(boxes.unexpected.first()));

    // Back on the bus, the fitting is found in its boot loader: the window
    // says so and opens the Tools page again.
    QCOMPARE(tools.env.sim.api.AddAdapter(-1, nullptr, "VB4711"), 0);
    CNexaroDlg& dlg = tools.window->dlg;
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_nConnState, kConnectionInBootloader, 20000);
    QTRY_VERIFY(boxes.unexpected.size() >= 2);
    QVERIFY2(boxes.unexpected.last().contains(QStringLiteral("Program its firmware on the Tools page")), qPrintable(boxes.unexpected.last()));
    QVERIFY(dlg.isEnabled());
    QVERIFY(!dlg.m_dlgConnectionInformation->isVisible());
    QCOMPARE(tools.window->Child<QTabBar>(1079)->currentIndex(), 3);
    QVERIFY(!tools.window->Child<CColorTabCtrl>(1079)->IsTabsEnabled());
    QCOMPARE(tools.window->Child<QLabel>(1056)->text(), QStringLiteral("connected"));

    tools.Choose(image);
    const DownloadRun second = PressStart(tools);
    QVERIFY(!second.steps.isEmpty());
    QCOMPARE(second.steps.last(), QStringLiteral("100% Download procedure finished successfully"));
    const QString mismatch = FlashMismatch(tools.env.sim, image);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QCOMPARE(tools.FirmwareShown(), QStringLiteral("V4.02"));
    QVERIFY(tools.window->Child<CColorTabCtrl>(1079)->IsTabsEnabled());
}

void ToolsTest::aFittingInItsBootloaderAtStart_data()
{
    QTest::addColumn<bool>("serviceMode");
    QTest::addColumn<QString>("advice");
    QTest::newRow("service mode") << true << QStringLiteral("Program its firmware on the Tools page");
    QTest::newRow("technician") << false << QStringLiteral("A service technician must program its firmware.");
}

// Found in its boot loader by the window's monitor: in service mode the
// Tools page opens with the fitting's product; otherwise the window says who
// can help. Next stays off: there is nothing to read.
void ToolsTest::aFittingInItsBootloaderAtStart()
{
    QFETCH(bool, serviceMode);
    QFETCH(QString, advice);
    AppEnvironment env("[adapter]\nfitting = Ambra\nstartup_ms = 100\nready_ms = 0\n");
    SimulatedTime time{env.sim.api, 1};
    {
        CVelmorTPExt link;
        std::string strError;
        QCOMPARE(link.LoadDriver(strError), 0);
        QCOMPARE(link.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, strError), 0);
        QCOMPARE(link.ActivateBootloader(strError), 0);
        QCOMPARE(link.ResetModule(strError), 0); // the boot loader takes over at the restart
    }
    env.settings->setValue(QStringLiteral("Settings/DontChange"), serviceMode ? kServiceCode : 0u);
    env.settings->setValue(QStringLiteral("Settings/Language"), kLanguageEnglish);
    QString shown;
    AnswerMessageBox(QMessageBox::Ok, &shown);
    StartedWindow window(env);
    QTRY_COMPARE_WITH_TIMEOUT(window.dlg.m_nConnState, kConnectionInBootloader, 20000);
    QTRY_VERIFY(!shown.isEmpty());
    QVERIFY2(shown.startsWith(QStringLiteral("The faucet is waiting in its boot loader")) && shown.contains(advice), qPrintable(shown));
    QVERIFY(!window.Child(1053)->isEnabled());
    if (serviceMode) {
        QCOMPARE(window.dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kWorkView));
        QCOMPARE(window.dlg.Session().ProductType(), 3);
        QCOMPARE(window.Child<QTabBar>(1079)->currentIndex(), 3);
        QVERIFY(window.dlg.findChild<CDlgTools*>(QStringLiteral("Tools"))->isVisible());
    } else {
        QCOMPARE(window.dlg.m_nViewMode, static_cast<int>(CNexaroDlg::kStartView));
        QCOMPARE(window.Child<QLabel>(1045)->text(), QStringLiteral("The faucet is waiting in its boot loader"));
    }
    SaveScreenshot(window.dlg, serviceMode ? QStringLiteral("bootloader_service_en") : QStringLiteral("bootloader_start_en"));
}

QTEST_MAIN(ToolsTest)
#include "test_tools.moc"
