#include "app/RecentNames.h"

#include <QComboBox>
#include <QSettings>

#include <algorithm>

namespace {

constexpr std::size_t kRecentLimit = 10;

struct KindKeys {
    const char* szSection;
    const char* szPrefix;
    const char* szLast;
};
constexpr KindKeys kKeys[] = {{"Installer", "Installer_", "InstallerLast"}, {"Placement", "Placement_", "PlacementLast"}};

// The first entry after entry 0, wrapping around, that begins with the text.
void SelectByPrefix(QComboBox* pCombo, const QString& prefix)
{
    const int nCount = pCombo->count();
    for (int i = 1; i <= nCount; ++i) {
        const int nIndex = i % nCount;
        if (pCombo->itemText(nIndex).startsWith(prefix, Qt::CaseInsensitive)) {
            pCombo->setCurrentIndex(nIndex);
            return;
        }
    }
}

void AddIfNew(std::vector<std::string>& list, const QString& name)
{
    if (std::find(list.begin(), list.end(), name.toStdString()) == list.end())
        list.insert(list.begin(), name.toStdString());
}

} // namespace

QString CRecentNames::Key(Kind eKind, const QString& name) const
{
    return QString::fromUtf8(kKeys[eKind].szSection) + QLatin1Char('/') + name;
}

QString CRecentNames::EntryKey(Kind eKind, std::size_t nIndex) const
{
    return Key(eKind, QStringLiteral("%1%2").arg(QString::fromUtf8(kKeys[eKind].szPrefix)).arg(nIndex));
}

void CRecentNames::Fill(Kind eKind, QComboBox* pCombo)
{
    pCombo->clear();
    const QString last = m_settings.value(Key(eKind, QString::fromUtf8(kKeys[eKind].szLast))).toString();
    for (std::size_t i = 0; i < kRecentLimit; ++i) {
        const QString name = m_settings.value(EntryKey(eKind, i)).toString().trimmed();
        if (name.isEmpty())
            continue;
        pCombo->addItem(name);
        AddIfNew(m_lists[eKind], name);
    }
    if (!last.isEmpty() && pCombo->count() > 0)
        SelectByPrefix(pCombo, last);
}

void CRecentNames::Store(Kind eKind, QComboBox* pCombo)
{
    const QString text = pCombo->currentText().trimmed();
    if (text.isEmpty())
        return;
    std::vector<std::string>& list = m_lists[eKind];
    AddIfNew(list, text);
    if (list.size() > kRecentLimit)
        list.pop_back();
    m_settings.setValue(Key(eKind, QString::fromUtf8(kKeys[eKind].szLast)), text);
    pCombo->clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const QString name = QString::fromStdString(list[i]);
        m_settings.setValue(EntryKey(eKind, i), name);
        pCombo->addItem(name);
    }
    SelectByPrefix(pCombo, text);
}
