#include "cli/CliReport.h"

#include <algorithm>

namespace {

// Texts can come from a fitting's EEPROM: control and format characters
// (an escape sequence, a line break, a direction override) are shown as
// escapes, never passed to the terminal.
QString Printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            out += c.unicode() < 0x100 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                       : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

void CCliReport::Add(const QString& key, const QString& label, const QString& value)
{
    m_Entries.push_back(Entry{key, label, QJsonValue(value), {}, {}, Entry::Scalar});
}

void CCliReport::Add(const QString& key, const QString& label, const std::string& value)
{
    Add(key, label, QString::fromStdString(value));
}

void CCliReport::Add(const QString& key, const QString& label, qint64 value)
{
    m_Entries.push_back(Entry{key, label, QJsonValue(value), {}, {}, Entry::Scalar});
}

void CCliReport::AddJson(const QString& key, const QJsonValue& value)
{
    m_Entries.push_back(Entry{key, QString(), value, {}, {}, Entry::Scalar});
}

void CCliReport::AddSection(const QString& key, const QString& title, const CCliReport& section)
{
    m_Entries.push_back(Entry{key, title, {}, {section}, {}, Entry::Section});
}

void CCliReport::AddList(const QString& key, const QString& title, const std::vector<CCliReport>& items)
{
    m_Entries.push_back(Entry{key, title, {}, items, {}, Entry::List});
}

void CCliReport::AddLines(const QString& key, const QString& title, const QStringList& lines)
{
    m_Entries.push_back(Entry{key, title, {}, {}, lines, Entry::Lines});
}

QJsonObject CCliReport::ToJson() const
{
    QJsonObject object;
    for (const Entry& entry : m_Entries) {
        switch (entry.kind) {
        case Entry::Scalar:
            object.insert(entry.key, entry.value);
            break;
        case Entry::Section:
            object.insert(entry.key, entry.items.front().ToJson());
            break;
        case Entry::List: {
            QJsonArray array;
            for (const CCliReport& item : entry.items)
                array.append(item.ToJson());
            object.insert(entry.key, array);
            break;
        }
        case Entry::Lines:
            object.insert(entry.key, QJsonArray::fromStringList(entry.lines));
            break;
        }
    }
    return object;
}

QString CCliReport::ToText(int nIndent) const
{
    const QString indent(nIndent, QLatin1Char(' '));
    qsizetype nWidth = 0;
    for (const Entry& entry : m_Entries)
        if (entry.kind == Entry::Scalar)
            nWidth = std::max(nWidth, entry.label.size() + 1);
    QString text;
    for (const Entry& entry : m_Entries) {
        if (entry.label.isEmpty() && entry.kind != Entry::Lines)
            continue;
        switch (entry.kind) {
        case Entry::Scalar: {
            const QString value = entry.value.isString() ? entry.value.toString()
                                                         : QString::number(entry.value.toInteger());
            text += indent + (entry.label + QLatin1Char(':')).leftJustified(nWidth) + QLatin1Char(' ') + Printable(value) + QLatin1Char('\n');
            break;
        }
        case Entry::Section:
            text += indent + entry.label + QLatin1Char('\n') + entry.items.front().ToText(nIndent + 2);
            break;
        case Entry::List:
            text += indent + entry.label + QLatin1Char('\n');
            for (const CCliReport& item : entry.items)
                text += item.ToText(nIndent + 2) + (entry.items.size() > 1 ? QStringLiteral("\n") : QString());
            break;
        case Entry::Lines:
            if (!entry.label.isEmpty())
                text += indent + entry.label + QLatin1Char('\n');
            for (const QString& line : entry.lines)
                text += indent + QStringLiteral("  ") + Printable(line) + QLatin1Char('\n');
            break;
        }
    }
    return text;
}
