#include "app/widgets/ControlElements.h"

#include <QWidget>

using namespace PageGeometry;

namespace {

void Place(QWidget* pWindow, const Rect& rect)
{
    if (pWindow == nullptr)
        return;
    pWindow->setGeometry(rect.nLeft, rect.nTop, rect.nRight - rect.nLeft, rect.nBottom - rect.nTop);
    pWindow->update();
}

} // namespace

CControlBaseElement::CControlBaseElement(int nKind, int nPageWidth) : m_nKind(nKind), m_nWidth(ColumnWidth(nPageWidth))
{
}

void CControlBaseElement::SetPosition(int x, int y)
{
    m_nX = x;
    m_nY = y;
}

void CControlLabelAndCombo::Arrange()
{
    const LabelAndCombo rects = LabelAndComboRects(m_nX, m_nY, m_nWidth);
    Place(m_pLabel, rects.label);
    Place(m_pControl, rects.combo);
    Place(m_pCombo, rects.combo);
    NextRow();
}

void CControlEditAndSpins::Arrange()
{
    const EditAndSpins rects = EditAndSpinsRects(m_nX, m_nY, m_nWidth);
    Place(m_pLabel, rects.label);
    Place(m_pEdit, rects.edit);
    Place(m_pPlus, rects.plus);
    Place(m_pMinus, rects.minus);
    NextRow();
}

void CControlLabelAndLabel::Arrange()
{
    const LabelAndLabel rects = LabelAndLabelRects(m_nX, m_nY, m_nWidth);
    Place(m_pLabel, rects.label);
    Place(m_pValue, rects.value);
    NextRow();
}

void CControlLabel::Arrange()
{
    Place(m_pLabel, LabelRect(m_nX, m_nY, m_nWidth));
    NextRow();
}

void CControlLabelAndButton::Arrange()
{
    const LabelAndButton rects = LabelAndButtonRects(m_nX, m_nY, m_nWidth);
    Place(m_pLabel, rects.label);
    Place(m_pButton, rects.button);
    NextRow();
}

CControlOption::CControlOption(int nPageWidth) : m_nWidth(ColumnWidth(nPageWidth))
{
}

void CControlOption::SetPosition(int x, int y)
{
    m_nX = x;
    m_nY = y;
}

void CControlOption::Arrange()
{
    const Group group = GroupRects(m_nX, m_nY, m_nWidth);
    Place(m_pTitle, group.title);
    Place(m_pCheck, group.check);
    Place(m_pLine, group.line);
    Place(m_pStatus, group.status);
    Place(m_pCorner, group.corner);
    m_ptNext = QPoint(m_nX, group.nFirstRowY);
}

void CControlOption::AddElement(CControlBaseElement* pElement)
{
    pElement->SetPosition(m_ptNext.x(), m_ptNext.y());
    pElement->Arrange();
    m_ptNext = pElement->GetNextPosition();
    m_rows.push_back(pElement);
}

void CControlOption::EndGroup()
{
    m_ptNext.setY(GroupEndY(m_ptNext.y(), !m_rows.empty()));
}
