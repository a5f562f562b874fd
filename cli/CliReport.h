#pragma once
// What a command prints: an ordered record of labelled values, shown as
// aligned "Label: value" lines on a terminal or as a JSON object with --json.
// An entry without a label is for JSON only.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <string>
#include <vector>

class CCliReport {
public:
    void Add(const QString& key, const QString& label, const QString& value);
    void Add(const QString& key, const QString& label, const std::string& value);
    void Add(const QString& key, const QString& label, qint64 value);
    // A value for JSON only (an array, say).
    void AddJson(const QString& key, const QJsonValue& value);
    void AddSection(const QString& key, const QString& title, const CCliReport& section);
    void AddList(const QString& key, const QString& title, const std::vector<CCliReport>& items);
    // A list of plain text lines (shown one per line, a JSON array of strings).
    void AddLines(const QString& key, const QString& title, const QStringList& lines);

    QJsonObject ToJson() const;
    QString ToText(int nIndent = 0) const;

private:
    struct Entry {
        QString key;
        QString label;
        QJsonValue value;           // scalar entries
        std::vector<CCliReport> items; // sections (one item) and lists
        QStringList lines;
        enum Kind { Scalar, Section, List, Lines } kind = Scalar;
    };
    std::vector<Entry> m_Entries;
};
