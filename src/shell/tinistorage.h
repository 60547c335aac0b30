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

    int readInteger(const QString& key, int def) const { return m_file.readInteger(m_section, key, def); }
    void writeInteger(const QString& key, int value) { m_file.writeInteger(m_section, key, value); }
    bool readBool(const QString& key, bool def) const { return m_file.readBool(m_section, key, def); }
    void writeBool(const QString& key, bool value) { m_file.writeBool(m_section, key, value); }
    QDateTime readDate(const QString& key, const QDateTime& def) const
    {
        return m_file.readDateTime(m_section, key, def);
    }
    void writeDate(const QString& key, const QDateTime& value) { m_file.writeDateTime(m_section, key, value); }
    double readFloat(const QString& key, double def) const { return m_file.readFloat(m_section, key, def); }
    void writeFloat(const QString& key, double value) { m_file.writeFloat(m_section, key, value); }

private:
    QString m_section;
    TAppIniFile m_file;
};

} // namespace Tarvo::Shell
