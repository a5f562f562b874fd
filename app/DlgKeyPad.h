#pragma once
// An on-screen number pad for touch screens: it types into the field it was
// given; every way of closing it (OK, its close box, Escape) hands the main
// window back. The pages disable the main window
// while it is open, so the pad is a window of its own, not the main
// window's child (a child would be disabled with it).

#include <QDialog>
#include <QPointer>

#include <string>

class CColorStatic;
class QLineEdit;

class CDlgKeyPad : public QDialog {
    Q_OBJECT
public:
    explicit CDlgKeyPad(QWidget* pMainWindow);

    void SetPrompt(const std::string& strPrompt);
    void SetTitle(const std::string& strTitle);
    void SetTarget(QLineEdit* pTarget) { m_pTarget = pTarget; }
    // Opens the pad for the field, in the half of the main window the field
    // is not in, and disables the main window; nothing while it is open.
    void ShowFor(QLineEdit* pTarget, const std::string& strPrompt);
    QLineEdit* GetTarget() const { return m_pTarget; }
    // Appends where the target takes it as typed (its typing limit).
    void AppendText(const QString& text);
    void Backspace();
    // Hides the pad and gives the main window back.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    QPushButton* AddButton(int nId, const QString& text, const QRect& geometry);

    CColorStatic* m_pPrompt;
    QPointer<QWidget> m_pMainWindow;
    QPointer<QLineEdit> m_pTarget;
    std::string m_strPrompt;
};
