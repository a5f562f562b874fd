#include "app/DlgProgress.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QProgressBar>

int g_nProgressStep = 0;

CDlgProgress::CDlgProgress(QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("CDlgProgress"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFixedSize(DluSize(295, 74));
    setFont(DialogFont());
    setAutoFillBackground(true);
    m_pText = NewControl<CColorStatic>(this, 100);
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setGeometry(DluRect(18, 18, 258, 12));
    m_pBar = NewControl<QProgressBar>(this, 1000, DluRect(18, 41, 258, 14));
    m_pBar->setTextVisible(false);
    for (int i = 0; i < 12; ++i) {
        m_imgHourGlass[static_cast<std::size_t>(i)].LoadResource(149 + i);
        m_imgHourGlass[static_cast<std::size_t>(i)].ApplyPremultipliedAlpha();
    }
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CDlgProgress::AdvanceFrame);
}

std::string CDlgProgress::StepText(int nStep)
{
    switch (nStep) {
    case 1: return PickText("Read the current settings", "Auslesen der aktuellen Einstellungen");
    case 2: return PickText("Write the current settings", "Schreiben der aktuellen Einstellungen");
    case 3: return PickText("Read the current status informations", "Auslesen der aktuellen Statusinformationen");
    case 4: return PickText("Configure the installation informations", "Konfigurierung der Installationsinformationen");
    case 5: return PickText("Restart the faucet", "Neustart der Armatur");
    case 6: return PickText("Wait until the faucet becomes ready again", "Warten bis die Armatur wieder bereit ist");
    case 7: return PickText("Read the current configuration", "Auslesen der aktuellen Konfiguration");
    default: return {};
    }
}

void CDlgProgress::ShowProgress()
{
    // Modal: the main window takes no input but keeps repainting.
    setWindowModality(Qt::ApplicationModal);
    if (parentWidget() != nullptr)
        move(parentWidget()->mapToGlobal(parentWidget()->rect().center()) - rect().center());
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    show();
    raise();
}

void CDlgProgress::SetStep(int nStep)
{
    ShowSteps(nStep, IsHourGlassStep(nStep));
}

void CDlgProgress::ShowHourGlass()
{
    ShowSteps(0, true);
}

void CDlgProgress::ShowSteps(int nStep, bool bHourGlass)
{
    m_pBar->hide();
    std::string strIgnored;
    StopHourGlass(strIgnored);
    if (!isVisible())
        m_nFrame = 0;
    m_bHourGlass = bHourGlass;
    SetText(StepText(nStep));
    ShowProgress();
    if (m_bHourGlass)
        StartHourGlass(strIgnored);
    else
        m_pBar->show();
    repaint();
    g_nProgressStep = nStep;
}

void CDlgProgress::HideProgress()
{
    m_pBar->setValue(0);
    m_pBar->hide();
    hide();
    std::string strIgnored;
    StopHourGlass(strIgnored);
}

void CDlgProgress::StepIt()
{
    m_pBar->setValue(std::min(m_pBar->maximum(), m_pBar->value() + 5));
}

void CDlgProgress::SetPos(unsigned char byPosition)
{
    m_pBar->setValue(byPosition);
}

void CDlgProgress::SetText(const std::string& strText)
{
    m_pText->setText(QString::fromStdString(strText));
}

int CDlgProgress::StartHourGlass(std::string&)
{
    m_bHourGlass = true;
    m_nFramesDrawn = 0;
    if (!m_timer.isActive())
        m_timer.start();
    return 0;
}

int CDlgProgress::StopHourGlass(std::string&)
{
    m_bHourGlass = false;
    m_timer.stop();
    m_nShownFrame = -1; // erases the hour glass
    update();
    return 0;
}

void CDlgProgress::AdvanceFrame()
{
    if (!m_bHourGlass)
        return;
    m_nShownFrame = m_nFrame;
    m_nFrame = (m_nFrame + 1) % 12;
    ++m_nFramesDrawn;
    repaint(FrameRect());
}

QRect CDlgProgress::FrameRect() const
{
    const QRect bar = m_pBar->geometry();
    return QRect(bar.center().x() - 17, bar.top(), 34, 34);
}

void CDlgProgress::paintEvent(QPaintEvent* pEvent)
{
    QDialog::paintEvent(pEvent);
    QPainter painter(this);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_nShownFrame >= 0)
        m_imgHourGlass[static_cast<std::size_t>(m_nShownFrame)].Draw(painter, FrameRect());
}

void CDlgProgress::closeEvent(QCloseEvent* pEvent)
{
    pEvent->ignore();
}

void CDlgProgress::keyPressEvent(QKeyEvent* pEvent)
{
    // A job cannot be cancelled from here: Escape and Enter do nothing.
    pEvent->accept();
}
