#pragma once
// What the firmware page's tests share: a window in service mode on the
// Tools tab, sample images in a home folder of their own, answers to the
// file dialog and the question before programming, and what the simulated
// fitting's flash holds.

#include "AppTestSupport.h"
#include "DownloadPhases.h"

#include "app/AppGlobals.h"
#include "app/DlgConnectionInformation.h"
#include "app/DlgProgress.h"
#include "app/FileChooser.h"
#include "app/NexaroDlg.h"
#include "app/pages/DlgTools.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TimeService.h"
#include "devicelink/MainWindowLink.h"
#include "devicelink/VelmorTPBase.h"
#include "devicelink/VelmorTPExt.h"
#include "firmware/IntelHex.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QThread>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

// A sample image as a technician keeps it, in ~/firmware of a home folder
// of the test's own.
inline QString Firmware(const QString& name)
{
    static QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QDir(home.path()).mkpath(QStringLiteral("firmware"));
    const QString path = home.path() + QStringLiteral("/firmware/") + name;
    QFile::copy(QStringLiteral(FLUXA_SOURCE_DIR "/data/Firmware/") + name, path);
    return path;
}

inline QByteArray FileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window in service mode with the Ambra (type 3, V1.12) read and the Tools
// tab shown.
struct ToolsWindow {
    explicit ToolsWindow(int nLanguage, const char* szScenario = "[adapter]\nserial = VB4711\nfitting = Ambra\n") : env(szScenario)
    {
        env.settings->setValue(QStringLiteral("Settings/DontChange"), kServiceCode);
        env.settings->setValue(QStringLiteral("Settings/Language"), nLanguage);
        window.emplace(env);
        window->PressNext();
        ShowToolsTab();
        page = window->dlg.findChild<CDlgTools*>(QStringLiteral("Tools"));
    }
    void ShowToolsTab() { window->Child<QTabBar>(1079)->setCurrentIndex(3); }
    template <class T = QWidget>
    T* PageChild(int nId)
    {
        return window->PageChild<T>("Tools", nId);
    }
    // Ticks the check box and chooses the file as Select would.
    void Choose(const QString& path)
    {
        PageChild<QCheckBox>(1275)->setChecked(true);
        page->ChooseFile(path);
    }
    QString FirmwareShown() { return window->Child<QLabel>(1087)->text(); }

    AppEnvironment env;
    SimulatedTime time{env.sim.api, 1};
    std::optional<StartedWindow> window;
    CDlgTools* page = nullptr;
};

// What the file dialog offered, seen when the test answered it.
struct FileDialogSeen {
    QString directory;
    QStringList filters;
    QString suffix;
    bool bExistingFile = false;
    bool bOpen = false;
};

// Answers the next file dialog with the file (within about two seconds).
inline void AnswerFileDialog(const QString& path, FileDialogSeen* pSeen, int nTries = 200)
{
    QTimer::singleShot(10, [=] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (pDialog != nullptr) {
            *pSeen = {pDialog->directory().absolutePath(), pDialog->nameFilters(), pDialog->defaultSuffix(), pDialog->fileMode() == QFileDialog::ExistingFile,
                      pDialog->acceptMode() == QFileDialog::AcceptOpen};
            // The dialog leaves the name field alone while it has the focus.
            if (QWidget* pFocus = pDialog->focusWidget())
                pFocus->clearFocus();
            pDialog->selectFile(path);
            static_cast<QDialog*>(pDialog)->accept(); // public there
            if (pDialog->isVisible())
                pDialog->reject(); // the test fails instead of hanging
        } else if (nTries > 1) {
            AnswerFileDialog(path, pSeen, nTries - 1); // not shown yet
        }
    });
}

// The main window with a dialog over it, as the technician sees them; a
// dialog placed outside the window is drawn in its middle.
inline void SaveScreenshotWithDialog(CNexaroDlg& dlg, QWidget& dialog, const QString& name)
{
    QPixmap shot = dlg.grab();
    QPainter painter(&shot);
    QPoint position = dlg.mapFromGlobal(dialog.mapToGlobal(QPoint(0, 0)));
    if (!dlg.rect().contains(QRect(position, dialog.size())))
        position = dlg.rect().center() - dialog.rect().center();
    painter.drawPixmap(position, dialog.grab());
    // The frame and title bar a window manager would draw.
    const QRect title(position.x(), position.y() - 22, dialog.width(), 22);
    painter.fillRect(title, QColor(220, 220, 220));
    painter.setPen(Qt::black);
    painter.drawText(title.adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, dialog.windowTitle());
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(title.united(QRect(position, dialog.size())).adjusted(0, 0, -1, -1));
    painter.end();
    QDir().mkpath(QStringLiteral(FLUXA_SCREENSHOT_DIR));
    shot.save(QStringLiteral(FLUXA_SCREENSHOT_DIR "/%1.png").arg(name));
}

// What one Start showed: every step as "percent% text", and the first step
// at which the progress dialog, the wait cursor or Start were not as they
// must be during the whole download.
struct DownloadRun {
    QStringList steps;
    QString notLive;
    QString question; // asked before the download, answered Yes
};

inline DownloadRun PressStart(ToolsWindow& tools, const QString& screenshot = QString())
{
    DownloadRun run;
    CDlgProgress* pProgress = tools.window->dlg.m_dlgProgress;
    auto* pStart = tools.PageChild<QPushButton>(1268);
    bool bErased = false;
    bool bShot = false;
    const auto connection = QObject::connect(tools.page, &CDlgTools::ProgressShown, [&](const QString& text, int nPercent) {
        const QString step = QStringLiteral("%1% %2").arg(nPercent).arg(text);
        run.steps << step;
        const QCursor* pCursor = QApplication::overrideCursor();
        // Shown by the window's own thread while the fitting job still runs.
        const bool bLive = QThread::currentThread() == pProgress->thread() && !tools.window->dlg.Jobs().CanStart() &&
                           pProgress->isVisible() && pProgress->findChild<QLabel*>(QStringLiteral("id100"))->text() == text &&
                           pProgress->findChild<QProgressBar*>(QStringLiteral("id1000"))->value() == nPercent &&
                           g_nProgressStep == 2 && pCursor != nullptr && pCursor->shape() == Qt::WaitCursor && !pStart->isEnabled();
        if (!bLive && run.notLive.isEmpty())
            run.notLive = step;
        // Half-way through the writes, which follow an erase that ended at 100 %.
        if (!screenshot.isEmpty() && bErased && nPercent >= 50 && !bShot) {
            SaveScreenshotWithDialog(tools.window->dlg, *tools.window->dlg.m_dlgProgress, screenshot);
            bShot = true;
        }
        bErased |= nPercent == 100;
    });
    tools.page->m_askToProgram = [&run](const std::string& strQuestion) {
        run.question = QString::fromStdString(strQuestion);
        return true;
    };
    pStart->click();
    tools.page->m_askToProgram = nullptr;
    QObject::disconnect(connection);
    return run;
}

// The expected steps appear in this order (others may come between).
inline QString MissingStep(const QStringList& shown, const QStringList& expected)
{
    auto position = shown.cbegin();
    for (const QString& step : expected) {
        position = std::find(position, shown.cend(), step);
        if (position == shown.cend())
            return step;
    }
    return {};
}

// The application area of the fitting's flash.
inline QByteArray ApplicationFlash(CSimulatorLibrary& sim)
{
    QByteArray flash(0x6800, '\0');
    sim.api.ReadFlash(0, 0x1800, reinterpret_cast<unsigned char*>(flash.data()), 0x6800);
    return flash;
}

// True when the trace holds a request to activate the boot loader.
inline bool BootloaderActivated(CSimulatorLibrary& sim)
{
    for (int i = 0; i < sim.api.GetTraceCount(); ++i) {
        VSimFrame frame{};
        sim.api.GetTraceFrame(i, &frame);
        if (frame.direction == VSIM_DIR_TO_FITTING && frame.bytes[3] == 0x13)
            return true;
    }
    return false;
}

// The first address where the fitting's flash differs from the image file.
inline QString FlashMismatch(CSimulatorLibrary& sim, const QString& path)
{
    CIntelHex image;
    std::string strError;
    if (image.Load(path.toStdString(), strError) != Result::Ok)
        return QString::fromStdString(strError);
    for (const CDataRecord& record : image.Records().Records()) {
        std::vector<unsigned char> flash(record.GetLength());
        sim.api.ReadFlash(0, record.GetStartAddr(), flash.data(), record.GetLength());
        const auto differs = std::mismatch(flash.begin(), flash.end(), record.GetData());
        if (differs.first != flash.end())
            return QStringLiteral("0x%1").arg(record.GetStartAddr() + (differs.first - flash.begin()), 4, 16, QLatin1Char('0'));
    }
    return {};
}
