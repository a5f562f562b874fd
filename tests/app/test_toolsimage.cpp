// The firmware page before anything is programmed: where the file dialog
// starts, what the chosen image is beside what the fitting runs, and the
// question Start asks.

#include "ToolsTestSupport.h"

class ToolsImageTest : public QObject {
    Q_OBJECT
private slots:
    void fileDialogsStartWhereTheLastFileWas();
    void chosenImageIsShownBesideTheRunningVersion_data();
    void chosenImageIsShownBesideTheRunningVersion();
    void startAsksNamingBothVersions_data();
    void startAsksNamingBothVersions();
};

// Each kind of file starts in the folder it was taken from last, kept in the
// settings store; at first, and when that folder is gone, in the documents.
void ToolsImageTest::fileDialogsStartWhereTheLastFileWas()
{
    ToolsWindow tools(kLanguageEnglish);
    QVERIFY(tools.page != nullptr);
    const QString image = Firmware(QStringLiteral("faucet_V4.02.hex"));
    const QString documents = QDir::homePath() + QStringLiteral("/Documents");
    QVERIFY(QDir().mkpath(documents));
    CFileChooser files(*tools.env.settings);
    QCOMPARE(files.StartFolder(CFileChooser::kFirmware), documents);
    tools.PageChild<QCheckBox>(1275)->setChecked(true);
    FileDialogSeen seen;
    for (const QString& expected : {documents, QFileInfo(image).absolutePath()}) {
        AnswerFileDialog(image, &seen);
        tools.PageChild<QPushButton>(1276)->click();
        QCOMPARE(seen.directory, expected);
    }
    QCOMPARE(tools.env.settings->value(QStringLiteral("Folders/Firmware")).toString(), QFileInfo(image).absolutePath());
    QCOMPARE(files.StartFolder(CFileChooser::kConfiguration), documents); // a kind of its own
    QVERIFY(QDir(QFileInfo(image).absolutePath()).removeRecursively());
    QCOMPARE(files.StartFolder(CFileChooser::kFirmware), documents);
}

void ToolsImageTest::chosenImageIsShownBesideTheRunningVersion_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts"); // 1400 to 1407: label, value, ...
    QTest::newRow("de") << kLanguageGerman
                        << QStringList{"Version der Datei:", "V4.02", "Produktfamilie:", "Waschtischarmaturen, Urinal- und WC-Steuerungen",
                                       "Größe:", "26624 Byte", "Version in der Armatur:", "V1.12"};
    QTest::newRow("en") << kLanguageEnglish
                        << QStringList{"Version of the image:", "V4.02", "Product family:", "Basin faucets, urinal and WC controls",
                                       "Size:", "26624 bytes", "Version in the faucet:", "V1.12"};
}

void ToolsImageTest::chosenImageIsShownBesideTheRunningVersion()
{
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    ToolsWindow tools(language);
    QVERIFY(tools.page != nullptr);
    QVERIFY(!tools.PageChild(1401)->isVisible()); // no file yet
    tools.Choose(Firmware(QStringLiteral("faucet_V4.02.hex")));
    for (int i = 0; i < texts.size(); ++i) {
        auto* pText = tools.PageChild<QLabel>(1400 + i);
        QVERIFY(pText->isVisible());
        QCOMPARE(pText->text(), texts[i]);
        // Whole on the page, below the path and clear of Start.
        QVERIFY(tools.page->rect().contains(pText->geometry()));
        QVERIFY(pText->geometry().top() > tools.PageChild(1266)->geometry().bottom());
        QVERIFY(!pText->geometry().intersects(tools.PageChild(1268)->geometry()));
        QVERIFY(pText->fontMetrics().horizontalAdvance(pText->text()) <= pText->width());
    }
    SaveScreenshot(tools.window->dlg, QStringLiteral("tools_image_") + (language == kLanguageEnglish ? "en" : "de"));
    // A file that cannot be programmed leaves nothing to show.
    AnswerMessageBox(QMessageBox::Ok);
    tools.page->ChooseFile(Firmware(QStringLiteral("faucet_wrong_signature.hex")));
    QVERIFY(!tools.PageChild(1401)->isVisible());
}

void ToolsImageTest::startAsksNamingBothVersions_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("question");
    QTest::newRow("de") << kLanguageGerman << QStringLiteral("Start Programmierung")
                        << QStringLiteral("Möchten Sie die Firmware der Datei in die Armatur programmieren?\n\n"
                                          "In der Armatur: V1.12\nAus der Datei: V4.02");
    QTest::newRow("en") << kLanguageEnglish << QStringLiteral("Start programming")
                        << QStringLiteral("Do you want to program the firmware of the file into the faucet?\n\n"
                                          "In the faucet: V1.12\nFrom the file: V4.02");
}

// No leaves the fitting as it was: nothing is sent to its boot loader, its
// flash and version are unchanged, and Start stays for the same file.
void ToolsImageTest::startAsksNamingBothVersions()
{
    QFETCH(int, language);
    QFETCH(QString, title);
    QFETCH(QString, question);
    ToolsWindow tools(language);
    QVERIFY(tools.page != nullptr);
    tools.Choose(Firmware(QStringLiteral("faucet_V4.02.hex")));
    const QByteArray flashBefore = ApplicationFlash(tools.env.sim);
    tools.env.sim.api.ClearTrace();
    QString shownTitle;
    QString shownText;
    bool bQuestionIcon = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr, 5000);
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        shownTitle = pBox->windowTitle();
        shownText = pBox->text();
        bQuestionIcon = pBox->icon() == QMessageBox::Question;
        SaveScreenshotWithDialog(tools.window->dlg, *pBox, QStringLiteral("tools_confirm_") + (language == kLanguageEnglish ? "en" : "de"));
        pBox->button(QMessageBox::No)->click();
    });
    tools.PageChild<QPushButton>(1268)->click();
    QCOMPARE(shownTitle, title);
    QCOMPARE(shownText, question);
    QVERIFY(bQuestionIcon);
    QVERIFY2(!BootloaderActivated(tools.env.sim), "the boot loader was activated");
    QVERIFY(ApplicationFlash(tools.env.sim) == flashBefore);
    VSimFittingState state{};
    tools.env.sim.api.GetFittingState(0, &state);
    QCOMPARE(state.running, VSIM_RUNNING_APPLICATION);
    QCOMPARE(tools.FirmwareShown(), QStringLiteral("V1.12"));
    QVERIFY(tools.PageChild(1268)->isEnabled());
    QVERIFY(!tools.window->dlg.m_dlgProgress->isVisible());
}

QTEST_MAIN(ToolsImageTest)
#include "test_toolsimage.moc"
