#pragma once

#include "core/settingsfilereader.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace Tarvo {

// A settings file with the semantics of the Windows profile functions:
// section and key names are matched without regard to case, keys may hold
// blanks, values are kept as written (no escaping), the first of duplicate
// sections or keys wins, and lines that are not "key=value" are kept as they
// are. Text is UTF-8; a file that is not valid UTF-8 is read as windows-1251
// (files brought over from older workstations) and written back in it.
// A write keeps every line it did not change byte for byte.
//
// Reading never throws: a file that exists but cannot be read (not a regular
// file, over MaxSize, no access, a dangling link) reads as empty, and every
// write to it is refused so that its content is never replaced. Each write
// rereads the file under a lock ("<file>.lock") and replaces it only after
// the new content is safely on disk.
class IniFile
{
public:
    static constexpr qint64 MaxSize = SettingsFileReader::MaxSize;

    explicit IniFile(QString path);

    const QString& fileName() const { return m_path; }
    // Rereads the file, picking up changes made by another program.
    void reload();

    // Empty when the file was read or does not exist; else why it could not be read.
    const QString& readError() const { return m_readError; }
    // The file holds binary data (control characters) rather than text.
    bool isDamaged() const { return m_damaged; }
    // Throws Tarvo::Exception naming the file when it exists but could not be
    // read or is damaged: for files that decide what the program connects to.
    void requireReadable() const;

    // Runs several writes as one: one lock, one reread, one replacement of the file.
    void update(const std::function<void()>& changes);

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
        QByteArray raw;     // the bytes as read (with a trailing CR)
        bool kept = false;  // unchanged since read: written back as `raw`
        QString text;    // the line as read or written
        QString section; // for a section header: its name
        QString key;     // for a key line: its name (trimmed)
        QString value;   // for a key line: its value (trimmed, outer quotes removed)
        enum Kind { Other, Section, Key } kind = Other;
    };
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;
    int sectionEnd(int sectionLine) const;
    void setString(const QString& section, const QString& key, const QString& value);
    static Line parseLine(const QString& text);
    void parse(QByteArray data);
    // Locks, rereads and saves around `change`; a false result means nothing changed.
    void modify(const std::function<bool()>& change);
    QByteArray serialize();
    void save();
    [[noreturn]] void writeFailed(const QString& why, qint64 bytes) const;

    QString m_path;
    QVector<Line> m_lines;
    QString m_readError;
    bool m_damaged = false;
    bool m_cp1251 = false; // the file's text is windows-1251
    bool m_bom = false;
    bool m_crlf = false;
    bool m_inUpdate = false;
};

} // namespace Tarvo
