#pragma once
// What the window tests share: a settings store and a simulated bus of their
// own, answers to the window's message boxes, and screenshots.

#include "app/NexaroApp.h"
#include "app/NexaroDlg.h"
#include "devicelink/VelmorTPExt.h"
#include "SimulatedTime.h"
#include "simulator/SimulatorApi.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>
#include <string>

// A settings store in a temporary folder, a service record in the test's own
// folder ($XDG_DATA_HOME) kept by a technician already named, and the
// simulated bus reset to a scenario at time scale 0, for one test.
class AppEnvironment {
public:
    explicit AppEnvironment(const char* szScenario = "[adapter]\nfitting = Ambra\n", double dTimeScale = 0.0)
    {
        // The store's folder is fixed at its first use in a process: one
        // folder for the program, emptied for every test.
        static QTemporaryDir configHome;
        qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
        QCoreApplication::setOrganizationName(QStringLiteral("VELMOR"));
#if defined(Q_OS_WIN)
        // The registry key is the user's own, and clear() below empties it.
        QCoreApplication::setApplicationName(QStringLiteral("fluxa-usb-tests"));
#else
        QCoreApplication::setApplicationName(QStringLiteral("fluxa-usb"));
#endif
        std::string strError;
        if (!sim.LoadForTheTool(FLUXA_VELMORSIM_PATH, dTimeScale, strError) || sim.api.Reset(szScenario) != VSIM_OK)
            throw std::runtime_error(strError + sim.api.GetLastError());
        settings.reset(OpenSettingsStore());
        settings->clear();
        qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
#if defined(Q_OS_WIN)
        // No variable moves the local application data folder: the record
        // goes where $XDG_DATA_HOME puts it elsewhere.
        settings->setValue(QLatin1String(CServiceRecorder::kLogKey), m_dir.path() + QStringLiteral("/VELMOR/fluxa-usb/service.db"));
#endif
        settings->setValue(QStringLiteral("Settings/Technician"), QStringLiteral("K. Weber"));
    }
    ~AppEnvironment() { sim.api.Reset(nullptr); }

    QString Path() const { return m_dir.path(); }

    CSimulatorLibrary sim;
    std::unique_ptr<QSettings> settings;

private:
    QTemporaryDir m_dir;
};

// Answers the next message box with the button (within about five seconds);
// its text goes to *pText and *pCount counts the boxes answered.
inline void AnswerMessageBox(QMessageBox::StandardButton button, QString* pText = nullptr, int* pCount = nullptr, int nTries = 500)
{
    QTimer::singleShot(nTries == 500 ? 0 : 10, [=] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox == nullptr) {
            if (nTries > 1)
                AnswerMessageBox(button, pText, pCount, nTries - 1); // not shown yet
            return;
        }
        if (pText != nullptr)
            *pText = pBox->text();
        if (pCount != nullptr)
            ++*pCount;
        pBox->button(button)->click();
    });
}

// Every message box that shows while it lives is noted and answered, so
// that none is missed and none blocks the test: Yes to the one expected
// question, No (or OK) to any other, whose texts it keeps in order.
class MessageBoxWatch : public QObject {
public:
    explicit MessageBoxWatch(QString expectedQuestion = {}) : m_expected(std::move(expectedQuestion)) { qApp->installEventFilter(this); }
    ~MessageBoxWatch() override { qApp->removeEventFilter(this); }
    QStringList unexpected;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (auto* pBox = qobject_cast<QMessageBox*>(pWatched); pBox != nullptr && pEvent->type() == QEvent::Show) {
            const bool bExpected = !m_expected.isEmpty() && pBox->text() == m_expected;
            if (!bExpected)
                unexpected << pBox->text();
            QTimer::singleShot(0, pBox, [pBox, bExpected] { pBox->done(bExpected ? QMessageBox::Yes : pBox->button(QMessageBox::No) != nullptr ? QMessageBox::No : QMessageBox::Ok); });
        }
        return false;
    }

private:
    QString m_expected;
};

// A saved faucet configuration of the article number, "saved.xml" in the folder.
inline QString WriteFaucetFile(const QString& folder, const char* szArticleNumber)
{
    const QString path = QDir(folder).filePath(QStringLiteral("saved.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QByteArray("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<file><ArticleNumber>") + szArticleNumber
               + "</ArticleNumber><ConfigSheet>Ambra</ConfigSheet><Settings><StartupProgramming>1</StartupProgramming>"
                 "<LEDCurrentOff>2</LEDCurrentOff><Maxruntime>77</Maxruntime><Runtime>900</Runtime><StagnationMode>1</StagnationMode>"
                 "<StagnationRuntime>30</StagnationRuntime><StagnationCycleTime>24</StagnationCycleTime><PowerSavingMode>0</PowerSavingMode>"
                 "<PowerSavingTimeout>1</PowerSavingTimeout><Installer>Fa. Muster</Installer><InstallLocation>Ward 7</InstallLocation>"
                 "</Settings></file>\n");
    return path;
}

// The widget as the technician sees it, into <build>/screenshots/<name>.png.
inline void SaveScreenshot(QWidget& widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(FLUXA_SCREENSHOT_DIR));
    widget.grab().save(QStringLiteral(FLUXA_SCREENSHOT_DIR "/%1.png").arg(name));
}

// A window as the program starts it, on the environment's settings and bus.
struct StartedWindow {
    explicit StartedWindow(AppEnvironment& env) : dlg(*env.settings, link), strStartError(StartMainWindow(dlg, *env.settings)) {}

    // Waits for the monitor to find the fitting, then presses Next.
    void PressNext()
    {
        QTRY_VERIFY_WITH_TIMEOUT(Child<QWidget>(1053)->isEnabled(), 3000);
        QMetaObject::invokeMethod(Child<QObject>(1053), "click");
    }
    template <class T = QWidget>
    T* Child(int nId)
    {
        return dlg.findChild<T*>(QStringLiteral("id%1").arg(nId));
    }
    // A control of a page, found by the page's name.
    template <class T = QWidget>
    T* PageChild(const char* szPage, int nId)
    {
        return dlg.findChild<QWidget*>(QString::fromUtf8(szPage))->findChild<T*>(QStringLiteral("id%1").arg(nId));
    }

    CVelmorTPExt link;
    CNexaroDlg dlg;
    std::string strStartError;
};
