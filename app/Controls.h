#pragma once
// The window's controls are found by name: each carries "id" and its control
// id as object name. New controls are made with that name here.

#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

// The object name of a control: "id" and its id, as the tests find it.
QString ControlName(int nId);

// The child control with that id; nullptr for none.
template <class Control = QWidget>
Control* ChildById(const QWidget* pParent, int nId)
{
    return pParent->findChild<Control*>(ControlName(nId));
}

// A new control of the parent, named by its id, at the geometry (none: the
// layout places it later).
template <class Control>
Control* NewControl(QWidget* pParent, int nId, const QRect& geometry = {})
{
    auto* pControl = new Control(pParent);
    pControl->setObjectName(ControlName(nId));
    if (geometry.isValid())
        pControl->setGeometry(geometry);
    return pControl;
}

// A push button that Enter does not press.
QPushButton* NewButton(QWidget* pParent, int nId, const QRect& geometry = {});
