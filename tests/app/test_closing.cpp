// The program ends when its main window closes, also with a dialog of its
// own open ("connection terminated"), instead of running on without a
// window and holding the adapter. A program of its own: it runs the
// application's event loop to its end.

#include "AppTestSupport.h"

#include "app/DlgConnectionInformation.h"

#include <QPushButton>

class ClosingTest : public QObject {
    Q_OBJECT
private slots:
    void theEventLoopEndsWithTheMainWindow();
};

void ClosingTest::theEventLoopEndsWithTheMainWindow()
{
    AppEnvironment env("[adapter]\nserial = VB1\nfitting = Ambra\n");
    StartedWindow window(env);
    window.PressNext();
    env.sim.api.UnplugFitting(0);
    QTRY_VERIFY_WITH_TIMEOUT(window.dlg.m_dlgConnectionInformation->isVisible(), 4000);

    // The technician closes the main window and answers Yes.
    QTimer::singleShot(0, [&window] {
        AnswerMessageBox(QMessageBox::Yes);
        window.dlg.close();
    });
    bool bTimedOut = false;
    QTimer::singleShot(10000, [&bTimedOut] {
        bTimedOut = true;
        QCoreApplication::exit(1);
    });
    QApplication::setQuitOnLastWindowClosed(true);
    const int nExit = QApplication::exec();
    QVERIFY2(!bTimedOut, "the program kept running without its main window");
    QCOMPARE(nExit, 0);
    QVERIFY(!window.dlg.isVisible());
    QVERIFY(!window.dlg.m_dlgConnectionInformation->isVisible());
}

QTEST_MAIN(ClosingTest)
#include "test_closing.moc"
