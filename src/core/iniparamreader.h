#pragma once

#include "core/inifile.h"

#include <QMap>
#include <QStringList>

namespace Tarvo {

// Reads "tarvo.ini" with the command line first: an argument NAME=VALUE with a
// non-empty VALUE wins over key NAME of any section; an empty VALUE falls back
// to the file. Integer lookups go through the text lookup. A file that exists
// but cannot be read, or holds binary data, throws Tarvo::Exception naming it.
class IniParamReader
{
public:
    IniParamReader(const QString& path, const QStringList& arguments);

    static QMap<QString, QString> overridesFrom(const QStringList& arguments);

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    const IniFile& file() const { return m_file; }

private:
    IniFile m_file;
    QMap<QString, QString> m_overrides; // upper-cased name -> value
};

} // namespace Tarvo
