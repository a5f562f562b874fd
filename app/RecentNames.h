#pragma once
// The installer and placement names entered last, newest first, at most ten
// each, kept in the settings store; the settings pages fill their combo
// boxes from them and complete typing with them.

#include <QString>

#include <string>
#include <vector>

class QComboBox;
class QSettings;

class CRecentNames {
public:
    enum Kind { kInstaller, kPlacement };

    explicit CRecentNames(QSettings& settings) : m_settings(settings) {}

    // The names stored, the last one chosen selected.
    void Fill(Kind eKind, QComboBox* pCombo);
    // The combo box's text becomes the newest name and the one chosen last.
    void Store(Kind eKind, QComboBox* pCombo);
    // The names typing completes with (the combo box sorts them).
    std::vector<std::string>* List(Kind eKind) { return &m_lists[eKind]; }

private:
    QString Key(Kind eKind, const QString& name) const;
    QString EntryKey(Kind eKind, std::size_t nIndex) const;

    QSettings& m_settings;
    std::vector<std::string> m_lists[2];
};
