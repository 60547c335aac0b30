#include "core/iniparamreader.h"

namespace Tarvo {

IniParamReader::IniParamReader(const QString& path, const QStringList& arguments)
    : m_file(path), m_overrides(overridesFrom(arguments))
{
    // This file decides which database opens: one that is there but cannot be read must
    // stop the program, never let it fall back to the embedded demo company.
    m_file.requireReadable();
}

QMap<QString, QString> IniParamReader::overridesFrom(const QStringList& arguments)
{
    QMap<QString, QString> r;
    for (const QString& a : arguments) {
        int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        r.insert(a.left(eq).trimmed().toUpper(), a.mid(eq + 1));
    }
    return r;
}

QString IniParamReader::readString(const QString& section, const QString& key, const QString& def) const
{
    const QString v = m_overrides.value(key.trimmed().toUpper());
    if (!v.isEmpty())
        return v;
    return m_file.readString(section, key, def);
}

int IniParamReader::readInteger(const QString& section, const QString& key, int def) const
{
    const QString v = readString(section, key);
    bool ok = false;
    int r = v.trimmed().toInt(&ok);
    return ok ? r : def;
}

} // namespace Tarvo
