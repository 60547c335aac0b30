#include "core/inifile.h"

#include "core/exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Tarvo {

namespace {
constexpr qint64 MaxIniSize = 16 * 1024 * 1024;
const QString DateTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    reload();
}

IniFile::Line IniFile::parseLine(const QString& text)
{
    Line line;
    line.text = text;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('['))) {
        int close = t.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = Line::Section;
            line.section = t.mid(1, close - 1).trimmed();
            return line;
        }
    }
    int eq = text.indexOf(QLatin1Char('='));
    if (eq > 0 && !t.startsWith(QLatin1Char(';'))) {
        line.kind = Line::Key;
        line.key = text.left(eq).trimmed();
        QString v = text.mid(eq + 1).trimmed();
        if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
            v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        line.value = v;
    }
    return line;
}

void IniFile::reload()
{
    m_lines.clear();
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    if (f.size() > MaxIniSize)
        return;
    QByteArray data = f.readAll();
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    // Binary content is read as text with replacement characters; NULs end lines.
    data.replace('\0', '\n');
    const QString text = QString::fromUtf8(data);
    const auto rawLines = QStringView(text).split(QLatin1Char('\n'));
    m_lines.reserve(rawLines.size());
    for (QStringView raw : rawLines) {
        QString l = raw.toString();
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        m_lines.append(parseLine(l));
    }
    while (!m_lines.isEmpty() && m_lines.back().kind == Line::Other && m_lines.back().text.isEmpty())
        m_lines.removeLast();
}

int IniFile::findSection(const QString& section) const
{
    for (int i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Line::Section && m_lines[i].section.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniFile::sectionEnd(int sectionLine) const
{
    int i = sectionLine + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Section)
        ++i;
    return i;
}

int IniFile::findKey(int sectionLine, const QString& key) const
{
    if (sectionLine < 0)
        return -1;
    const QString k = key.trimmed();
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i)
        if (m_lines[i].kind == Line::Key && m_lines[i].key.compare(k, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    int i = findKey(findSection(section), key);
    return i < 0 ? def : m_lines[i].value;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    const QString v = readString(section, key);
    if (v.isEmpty())
        return def;
    bool ok = false;
    if (v.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        int r = v.mid(2).toInt(&ok, 16);
        return ok ? r : def;
    }
    // Like the profile API: the leading digits count, the rest is ignored.
    int end = 0;
    if (end < v.size() && (v[end] == QLatin1Char('-') || v[end] == QLatin1Char('+')))
        ++end;
    while (end < v.size() && v[end].isDigit())
        ++end;
    int r = v.left(end).toInt(&ok);
    return ok ? r : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    const QString v = readString(section, key);
    if (v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (v.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return readInteger(section, key, def ? 1 : 0) != 0;
}

double IniFile::readFloat(const QString& section, const QString& key, double def) const
{
    QString v = readString(section, key);
    v.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    double r = v.toDouble(&ok);
    return ok ? r : def;
}

QDateTime IniFile::readDateTime(const QString& section, const QString& key, const QDateTime& def) const
{
    const QString v = readString(section, key);
    for (const QString& fmt : {DateTimeFormat, QStringLiteral("dd.MM.yyyy"),
                               QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd")}) {
        QDateTime d = QDateTime::fromString(v, fmt);
        if (d.isValid())
            return d;
    }
    return def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // Read-modify-write like the profile functions, so that two objects on
    // the same file never undo each other's writes.
    reload();
    QString flat = value;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    flat.remove(QLatin1Char('\r'));
    int s = findSection(section);
    if (s < 0) {
        if (!m_lines.isEmpty() && !m_lines.back().text.isEmpty())
            m_lines.append(parseLine(QString()));
        m_lines.append(parseLine(QLatin1Char('[') + section + QLatin1Char(']')));
        s = m_lines.size() - 1;
    }
    Line line = parseLine(key.trimmed() + QLatin1Char('=') + flat);
    line.value = flat; // kept as written, even when quoted
    int k = findKey(s, key);
    if (k >= 0) {
        m_lines[k] = line;
    } else {
        // After the section's last key, before blank lines that separate sections.
        int pos = sectionEnd(s);
        while (pos > s + 1 && m_lines[pos - 1].kind == Line::Other &&
               m_lines[pos - 1].text.trimmed().isEmpty())
            --pos;
        m_lines.insert(pos, line);
    }
    save();
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeFloat(const QString& section, const QString& key, double value)
{
    writeString(section, key, QString::number(value, 'g', 15));
}

void IniFile::writeDateTime(const QString& section, const QString& key, const QDateTime& value)
{
    writeString(section, key, value.toString(DateTimeFormat));
}

bool IniFile::sectionExists(const QString& section) const
{
    return findSection(section) >= 0;
}

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    return findKey(findSection(section), key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList r;
    for (const Line& l : m_lines)
        if (l.kind == Line::Section)
            r << l.section;
    return r;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList r;
    int s = findSection(section);
    if (s < 0)
        return r;
    for (int i = s + 1, end = sectionEnd(s); i < end; ++i)
        if (m_lines[i].kind == Line::Key)
            r << m_lines[i].key;
    return r;
}

void IniFile::eraseSection(const QString& section)
{
    reload();
    int s = findSection(section);
    if (s < 0)
        return;
    m_lines.remove(s, sectionEnd(s) - s);
    save();
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    reload();
    int k = findKey(findSection(section), key);
    if (k < 0)
        return;
    m_lines.remove(k);
    save();
}

void IniFile::save() const
{
    QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        throw Exception(
            QStringLiteral("Не удалось записать файл настроек \"%1\": %2").arg(m_path, f.errorString()));
    QByteArray out;
    for (const Line& l : m_lines) {
        out += l.text.toUtf8();
        out += '\n';
    }
    f.write(out);
    if (!f.commit())
        throw Exception(
            QStringLiteral("Не удалось записать файл настроек \"%1\": %2").arg(m_path, f.errorString()));
}

} // namespace Tarvo
