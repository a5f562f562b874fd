#pragma once
// The standard controls with a text colour, background and font of their
// own, as every window of the program uses them.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include <string>
#include <vector>

// Colour, background and font setters shared by the coloured controls.
template <class Base>
class CColorControl : public Base {
public:
    using Base::Base;
    void SetTextColor(const QColor& color) { SetRole(QPalette::WindowText, color); SetRole(QPalette::ButtonText, color); SetRole(QPalette::Text, color); }
    void SetBkColor(const QColor& color)
    {
        SetRole(QPalette::Window, color);
        SetRole(QPalette::Base, color);
        SetRole(QPalette::Button, color);
        this->setAutoFillBackground(true);
    }
    void SetFontHeight(int nPixels)
    {
        QFont font = this->font();
        font.setPixelSize(nPixels);
        this->setFont(font);
    }
    void SetFontWeight(bool bBold)
    {
        QFont font = this->font();
        font.setBold(bBold);
        this->setFont(font);
    }

private:
    void SetRole(QPalette::ColorRole role, const QColor& color)
    {
        QPalette palette = this->palette();
        palette.setColor(role, color);
        this->setPalette(palette);
    }
};

// A label showing its text as plain text (texts can come from a fitting);
// a clickable one opens its text (a mail address or a web address).
class CColorStatic : public CColorControl<QLabel> {
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* pParent = nullptr);
    void SetClickable(bool bClickable);

protected:
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    bool m_bClickable = false;
};

class CColorButton : public CColorControl<QPushButton> {
    Q_OBJECT
public:
    using CColorControl<QPushButton>::CColorControl;
};

// An edit whose character limit holds for typing only: a text the program
// sets (a value read from a fitting or a file) is shown whole.
class CColorEdit : public CColorControl<QLineEdit> {
    Q_OBJECT
public:
    using CColorControl<QLineEdit>::CColorControl;
    void SetTypingLimit(int nLimit);

protected:
    // A focus that moved on while it was being delivered (the key pad opened
    // for this edit disables the window) leaves no cursor behind.
    void focusInEvent(QFocusEvent* pEvent) override;
};

// An editable combo box with a text limit and an optional completion list
// (owned by the caller): typing completes to the first name of the list, in
// sorted order, that begins with the typed text, and selects the rest.
// Backspace away from the start and Delete take the completion away again.
class CColorComboBox : public CColorControl<QComboBox> {
    Q_OBJECT
public:
    explicit CColorComboBox(QWidget* pParent = nullptr);
    void SetTextLimit(int nLimit);
    void SetCompletionList(std::vector<std::string>* pList) { m_pCompletionList = pList; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Complete();
    std::vector<std::string>* m_pCompletionList = nullptr;
};

// A tab bar that draws its texts itself: the selected tab in its colour,
// the others in the normal colour, or all in the disabled colour.
class CColorTabCtrl : public QTabBar {
    Q_OBJECT
public:
    explicit CColorTabCtrl(QWidget* pParent = nullptr);
    void SetSelectedTextColor(const QColor& color) { m_colorSelected = color; update(); }
    void SetNormalTextColor(const QColor& color) { m_colorNormal = color; update(); }
    void SetDisabledTextColor(const QColor& color) { m_colorDisabled = color; update(); }
    void EnableTabs(bool bEnable);
    bool IsTabsEnabled() const { return m_bEnabled; }
    QColor TextColorOf(int nIndex) const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    // Room for the text's own offsets.
    QSize tabSizeHint(int nIndex) const override { return QTabBar::tabSizeHint(nIndex) + QSize(12, 2); }

private:
    QColor m_colorSelected = Qt::black;
    QColor m_colorNormal = Qt::black;
    QColor m_colorDisabled = QColor(170, 170, 170);
    bool m_bEnabled = true;
};
