#include "newLookup/tcolumnsinifile.h"

#include "core/apppaths.h"
#include "core/inifile.h"
#include "newLookup/tcollist.h"

#include <QDir>

namespace Tarvo::NewLookup {

TColumnsIniFile::TColumnsIniFile(const QString& name)
    : m_path(QDir::isAbsolutePath(name) ? name : AppPaths::userFile(name))
{}

QString TColumnsIniFile::formatValue(const TColInfo& info)
{
    return TColInfo::cleanCaption(info.caption) + QLatin1Char('\t') +
           (info.visible ? QLatin1Char('1') : QLatin1Char('0')) + QLatin1Char('\t') +
           QString::number(info.width);
}

bool TColumnsIniFile::parseValue(const QString& value, TColInfo& info)
{
    const qsizetype tab = value.indexOf(QLatin1Char('\t'));
    if (tab < 0 || tab + 2 >= value.size() || value.at(tab + 2) != QLatin1Char('\t'))
        return false;
    const QChar digit = value.at(tab + 1);
    if (!digit.isDigit())
        return false;
    bool ok = false;
    const int width = value.mid(tab + 3).trimmed().toInt(&ok);
    if (!ok || width < 0)
        return false;
    info.caption = value.left(tab);
    info.visible = digit != QLatin1Char('0');
    info.width = width;
    return true;
}

QList<TColInfo> TColumnsIniFile::read(const QString& section) const
{
    const IniFile file(m_path);
    QList<TColInfo> r;
    for (const QString& key : file.keys(section)) {
        TColInfo info;
        info.fieldName = key;
        if (parseValue(file.readString(section, key), info))
            r << info;
    }
    return r;
}

void TColumnsIniFile::write(const QString& section, const QList<TColInfo>& columns)
{
    // One replacement of the file: a program stopped half way never leaves part of the section.
    IniFile file(m_path);
    file.update([&] {
        file.eraseSection(section);
        for (const TColInfo& c : columns)
            if (!c.fieldName.isEmpty())
                file.writeString(section, c.fieldName, formatValue(c));
    });
}

bool TColumnsIniFile::restore(TColList& list, const QString& section) const
{
    const QList<TColInfo> saved = read(section);
    int position = 0;
    for (const TColInfo& info : saved)
        if (list.applyInfo(position, info))
            ++position;
    return position > 0;
}

void TColumnsIniFile::save(TColList& list, const QString& section)
{
    list.collect();
    write(section, list.items());
}

} // namespace Tarvo::NewLookup
