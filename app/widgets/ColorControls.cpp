#include "app/widgets/ColorControls.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QStylePainter>
#include <QStyleOptionTab>
#include <QUrl>
#include <QValidator>

#include <algorithm>

CColorStatic::CColorStatic(QWidget* pParent) : CColorControl<QLabel>(pParent)
{
    setTextFormat(Qt::PlainText);
}

void CColorStatic::SetClickable(bool bClickable)
{
    m_bClickable = bClickable;
    setCursor(bClickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CColorStatic::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QLabel::mouseReleaseEvent(pEvent);
    if (!m_bClickable)
        return;
    const QString target = text().trimmed();
    QDesktopServices::openUrl(target.contains(QLatin1Char('@')) && !target.contains(QLatin1Char(':'))
                                  ? QUrl(QStringLiteral("mailto:") + target)
                                  : QUrl::fromUserInput(target));
}

namespace {

// Refuses typing beyond the limit; texts set by the program pass unchecked.
class CTypingLimit : public QValidator {
public:
    CTypingLimit(int nLimit, QObject* pParent) : QValidator(pParent), m_nLimit(nLimit) {}
    State validate(QString& input, int&) const override { return input.size() <= m_nLimit ? Acceptable : Invalid; }

private:
    int m_nLimit;
};

} // namespace

void CColorEdit::SetTypingLimit(int nLimit)
{
    setValidator(new CTypingLimit(nLimit, this));
}

void CColorEdit::focusInEvent(QFocusEvent* pEvent)
{
    if (hasFocus())
        CColorControl<QLineEdit>::focusInEvent(pEvent);
}

CColorComboBox::CColorComboBox(QWidget* pParent) : CColorControl<QComboBox>(pParent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // the completion of our own below
    installEventFilter(this);
    lineEdit()->installEventFilter(this);
}

void CColorComboBox::SetTextLimit(int nLimit)
{
    lineEdit()->setMaxLength(nLimit);
}

bool CColorComboBox::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::KeyRelease && m_pCompletionList != nullptr) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        // Backspace completes again only from the very start, Delete never:
        // otherwise neither could take a completion away.
        const QLineEdit* pEdit = lineEdit();
        const bool bAtStart = (pEdit->hasSelectedText() ? pEdit->selectionStart() : pEdit->cursorPosition()) == 0;
        if ((pKey->key() != Qt::Key_Backspace || bAtStart) && pKey->key() != Qt::Key_Delete)
            Complete();
    }
    return CColorControl<QComboBox>::eventFilter(pWatched, pEvent);
}

void CColorComboBox::Complete()
{
    QLineEdit* pEdit = lineEdit();
    const QString typed = pEdit->hasSelectedText() ? pEdit->text().left(pEdit->selectionStart()) : pEdit->text();
    const std::string strTyped = typed.toLower().toStdString();
    if (strTyped.empty())
        return;
    std::sort(m_pCompletionList->begin(), m_pCompletionList->end());
    for (const std::string& strName : *m_pCompletionList) {
        const QString name = QString::fromStdString(strName);
        if (name.toLower().startsWith(typed.toLower())) {
            pEdit->setText(name);
            pEdit->setSelection(static_cast<int>(typed.size()), static_cast<int>(name.size() - typed.size()));
            return;
        }
    }
}

CColorTabCtrl::CColorTabCtrl(QWidget* pParent) : QTabBar(pParent)
{
    setDrawBase(false);
    setExpanding(false);
}

void CColorTabCtrl::EnableTabs(bool bEnable)
{
    m_bEnabled = bEnable;
    setEnabled(bEnable);
    update();
}

QColor CColorTabCtrl::TextColorOf(int nIndex) const
{
    // A locked bar still shows which page is open.
    if (nIndex == currentIndex())
        return m_colorSelected;
    return m_bEnabled ? m_colorNormal : m_colorDisabled;
}

void CColorTabCtrl::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    for (int nIndex = 0; nIndex < count(); ++nIndex) {
        QStyleOptionTab option;
        initStyleOption(&option, nIndex);
        const QString text = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_TabBarTab, option);
        // The selected tab's text sits a little lower and further right.
        const bool bSelected = nIndex == currentIndex();
        const QRect textRect = option.rect.adjusted(bSelected ? 8 : 6, bSelected ? 3 : 2, 0, 0);
        painter.setPen(TextColorOf(nIndex));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
}
