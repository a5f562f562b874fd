#pragma once
// The technician's name for the service record: asked the first time a
// visit starts without one, changed from the Configuration menu.

#include <QString>

class QWidget;

// True with the name entered (may be empty) when OK was pressed.
bool AskTechnicianName(QWidget* pParent, QString& name);
