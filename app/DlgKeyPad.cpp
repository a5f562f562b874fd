#include "app/DlgKeyPad.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/widgets/ColorControls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

CDlgKeyPad::CDlgKeyPad(QWidget* pMainWindow) : QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), m_pMainWindow(pMainWindow)
{
    setObjectName(QStringLiteral("CDlgKeyPad"));
    setWindowTitle(QStringLiteral("Key pad"));
    setFixedSize(DluSize(178, 177));
    setFont(DialogFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    m_pPrompt = NewControl<CColorStatic>(this, 1254);
    m_pPrompt->setAlignment(Qt::AlignCenter);
    m_pPrompt->setWordWrap(true);
    m_pPrompt->setGeometry(DluRect(6, 6, 162, 18));
    // Digits 1 to 9 in three rows of three, 0 below, Back and a tall OK right.
    for (int nDigit = 1; nDigit <= 9; ++nDigit) {
        const int nColumn = (nDigit - 1) % 3;
        const int nRow = (nDigit - 1) / 3;
        AddButton(1241 + nDigit, QString::number(nDigit), DluRect(6 + 42 * nColumn, 30 + 36 * nRow, 36, 30));
    }
    AddButton(1251, QStringLiteral("0"), DluRect(6, 138, 120, 30));
    QPushButton* pBack = AddButton(1252, QStringLiteral("Back"), DluRect(132, 30, 40, 30));
    connect(pBack, &QPushButton::clicked, this, &CDlgKeyPad::Backspace);
    QPushButton* pOk = NewButton(this, 1253, DluRect(132, 66, 40, 102));
    pOk->setText(QStringLiteral("OK"));
    connect(pOk, &QPushButton::clicked, this, &CDlgKeyPad::reject);
}

QPushButton* CDlgKeyPad::AddButton(int nId, const QString& text, const QRect& geometry)
{
    QPushButton* pButton = NewButton(this, nId, geometry);
    pButton->setText(text);
    pButton->setFont(DialogFont(20));
    pButton->setFocusPolicy(Qt::NoFocus); // the target keeps the focus
    if (nId != 1252)
        connect(pButton, &QPushButton::clicked, this, [this, text] { AppendText(text); });
    return pButton;
}

void CDlgKeyPad::SetPrompt(const std::string& strPrompt)
{
    m_strPrompt = strPrompt;
    m_pPrompt->setText(QString::fromStdString(strPrompt));
}

void CDlgKeyPad::SetTitle(const std::string& strTitle)
{
    setWindowTitle(QString::fromStdString(strTitle));
}

void CDlgKeyPad::AppendText(const QString& text)
{
    if (m_pTarget == nullptr)
        return;
    QString typed = m_pTarget->text() + text;
    int nPosition = static_cast<int>(typed.size());
    const QValidator* pLimit = m_pTarget->validator();
    if (typed.size() <= m_pTarget->maxLength() && (pLimit == nullptr || pLimit->validate(typed, nPosition) != QValidator::Invalid))
        m_pTarget->setText(typed);
}

void CDlgKeyPad::Backspace()
{
    if (m_pTarget != nullptr && !m_pTarget->text().isEmpty())
        m_pTarget->setText(m_pTarget->text().chopped(1));
}

void CDlgKeyPad::ShowFor(QLineEdit* pTarget, const std::string& strPrompt)
{
    if (isVisible() || m_pMainWindow == nullptr)
        return;
    SetPrompt(strPrompt);
    SetTarget(pTarget);
    // In the other half of the window, so that the field stays in sight.
    const QRect window = m_pMainWindow->geometry();
    const bool bFieldLeft = pTarget->mapToGlobal(QPoint(0, 0)).x() < window.center().x();
    const int nX = bFieldLeft ? window.center().x() + (window.width() / 2 - width()) / 2
                              : window.left() + (window.width() / 2 - width()) / 2;
    move(nX, window.center().y() - height() / 2);
    m_pMainWindow->setEnabled(false);
    show();
}

void CDlgKeyPad::reject()
{
    m_pTarget = nullptr;
    if (m_pMainWindow != nullptr)
        m_pMainWindow->setEnabled(true);
    hide();
}

void CDlgKeyPad::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Escape)
        reject();
    pEvent->accept(); // Enter presses nothing
}
