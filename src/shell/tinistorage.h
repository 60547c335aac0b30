#pragma once

#include "shell/tappinifile.h"

#include <memory>

namespace Tarvo::Shell {

// One section of "fc.ini", shared by the windows that use it.
class TIniStorage
{
public:
    static std::shared_ptr<TIniStorage> open(const QString& section);
    explicit TIniStorage(QString section);

    const QString& section() const { return m_section; }

    int readInteger(const QString& key, int def) const { return file().readInteger(m_section, key, def); }
    void writeInteger(const QString& key, int value) { m_file.writeInteger(m_section, key, value); }
    bool readBool(const QString& key, bool def) const { return file().readBool(m_section, key, def); }
    void writeBool(const QString& key, bool value) { m_file.writeBool(m_section, key, value); }
    QDateTime readDate(const QString& key, const QDateTime& def) const
    {
        return file().readDateTime(m_section, key, def);
    }
    void writeDate(const QString& key, const QDateTime& value)
    {
        m_file.writeDateTime(m_section, key, value);
    }
    double readFloat(const QString& key, double def) const { return file().readFloat(m_section, key, def); }
    void writeFloat(const QString& key, double value) { m_file.writeFloat(m_section, key, value); }

private:
    // Reads see what other holders of "fc.ini" wrote meanwhile.
    const IniFile& file() const
    {
        m_file.reload();
        return m_file;
    }

    QString m_section;
    mutable TAppIniFile m_file;
};

} // namespace Tarvo::Shell
