#pragma once
// The rows and titled groups that lay out a page's controls in two columns
// whose width follows the page: short-lived helpers that move the page's own
// widgets (not owned) to their rectangles. Rows follow at 28-pixel steps.

#include "app/widgets/PageGeometry.h"

#include <QPoint>
#include <vector>

class QWidget;

class CControlBaseElement {
public:
    // nPageWidth: the width of the page area the columns divide.
    explicit CControlBaseElement(int nKind, int nPageWidth);
    virtual ~CControlBaseElement() = default;
    virtual void SetPosition(int x, int y);
    virtual QPoint GetNextPosition() const { return {m_nX, m_nY}; }
    // Moves the windows set (null ones are skipped), then steps down a row.
    virtual void Arrange() = 0;

    int m_nX = 0;
    int m_nY = 0;
    const int m_nKind;
    int m_nWidth;

protected:
    void NextRow() { m_nY += PageGeometry::kRowStep; }
};

class CControlLabelAndCombo : public CControlBaseElement {
public:
    explicit CControlLabelAndCombo(int nPageWidth) : CControlBaseElement(1, nPageWidth) {}
    void SetLabel(QWidget* p) { m_pLabel = p; }
    void SetControl(QWidget* p) { m_pControl = p; }
    void SetCombo(QWidget* p) { m_pCombo = p; }
    void Arrange() override;

private:
    QWidget* m_pLabel = nullptr;
    QWidget* m_pControl = nullptr;
    QWidget* m_pCombo = nullptr;
};

class CControlEditAndSpins : public CControlBaseElement {
public:
    explicit CControlEditAndSpins(int nPageWidth) : CControlBaseElement(2, nPageWidth) {}
    void SetLabel(QWidget* p) { m_pLabel = p; }
    void SetEdit(QWidget* p) { m_pEdit = p; }
    void SetPlus(QWidget* p) { m_pPlus = p; }
    void SetMinus(QWidget* p) { m_pMinus = p; }
    void Arrange() override;

private:
    QWidget* m_pLabel = nullptr;
    QWidget* m_pEdit = nullptr;
    QWidget* m_pPlus = nullptr;
    QWidget* m_pMinus = nullptr;
};

class CControlLabelAndLabel : public CControlBaseElement {
public:
    explicit CControlLabelAndLabel(int nPageWidth) : CControlBaseElement(3, nPageWidth) {}
    void SetLabel(QWidget* p) { m_pLabel = p; }
    void SetValue(QWidget* p) { m_pValue = p; }
    void Arrange() override;

private:
    QWidget* m_pLabel = nullptr;
    QWidget* m_pValue = nullptr;
};

class CControlLabel : public CControlBaseElement {
public:
    explicit CControlLabel(int nPageWidth) : CControlBaseElement(4, nPageWidth) {}
    void SetLabel(QWidget* p) { m_pLabel = p; }
    void Arrange() override;

private:
    QWidget* m_pLabel = nullptr;
};

class CControlLabelAndButton : public CControlBaseElement {
public:
    explicit CControlLabelAndButton(int nPageWidth) : CControlBaseElement(5, nPageWidth) {}
    void SetLabel(QWidget* p) { m_pLabel = p; }
    void SetButton(QWidget* p) { m_pButton = p; }
    void Arrange() override;

private:
    QWidget* m_pLabel = nullptr;
    QWidget* m_pButton = nullptr;
};

// A titled group with an optional check box and status text over a
// separator line, and the rows added below it.
class CControlOption {
public:
    explicit CControlOption(int nPageWidth);
    void SetTitle(QWidget* p) { m_pTitle = p; }
    void SetCheck(QWidget* p) { m_pCheck = p; }
    void SetLine(QWidget* p) { m_pLine = p; }
    void SetPosition(int x, int y);
    QPoint GetNextPosition() const { return m_ptNext; }
    // Leaves room below the group; the next group starts there.
    void EndGroup();
    void SetCornerWnd(QWidget* p) { m_pCorner = p; }
    void SetStatusText(QWidget* p) { m_pStatus = p; }
    void Arrange();
    void AddElement(CControlBaseElement* pElement);

    int m_nWidth;

private:
    int m_nX = 0;
    int m_nY = 0;
    QWidget* m_pTitle = nullptr;
    QWidget* m_pCheck = nullptr;
    QWidget* m_pLine = nullptr;
    QWidget* m_pStatus = nullptr;
    QWidget* m_pCorner = nullptr;
    QPoint m_ptNext;
    std::vector<CControlBaseElement*> m_rows;
};
