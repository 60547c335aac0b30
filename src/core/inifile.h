#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace Tarvo {

// A settings file with the semantics of the Windows profile functions:
// section and key names are matched without regard to case, keys may hold
// blanks, values are kept as written (no escaping), the first of duplicate
// sections or keys wins, and lines that are not "key=value" are kept as they
// are. Text is UTF-8. An unreadable or damaged file reads as empty; nothing
// here throws on bad content.
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString& fileName() const { return m_path; }
    // Rereads the file, picking up changes made by another program.
    void reload();

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // Leading integer of the value (decimal or "0x" hex), as GetPrivateProfileInt; else the default.
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;
    double readFloat(const QString& section, const QString& key, double def) const;
    QDateTime readDateTime(const QString& section, const QString& key, const QDateTime& def) const;

    // Writes go to disk at once; a failure to write throws Tarvo::Exception.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeFloat(const QString& section, const QString& key, double value);
    void writeDateTime(const QString& section, const QString& key, const QDateTime& value);

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

private:
    struct Line
    {
        QString text;    // the line as read or written
        QString section; // for a section header: its name
        QString key;     // for a key line: its name (trimmed)
        QString value;   // for a key line: its value (trimmed, outer quotes removed)
        enum Kind { Other, Section, Key } kind = Other;
    };
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;
    int sectionEnd(int sectionLine) const;
    static Line parseLine(const QString& text);
    void save() const;

    QString m_path;
    QVector<Line> m_lines;
};

} // namespace Tarvo
