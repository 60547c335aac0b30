#include "core/inifile.h"

#include "core/exception.h"
#include "core/settingsfilereader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Tarvo {

namespace {
const QString DateTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
// Another program holds the lock only while it rewrites a small file.
constexpr int LockWaitMs = 10000;

QString decodeCp1251(const QByteArray& bytes)
{
    QStringDecoder d("windows-1251");
    return d.isValid() ? d(bytes) : QString::fromLatin1(bytes);
}

QByteArray encodeCp1251(const QString& text)
{
    QStringEncoder e("windows-1251");
    return e.isValid() ? QByteArray(e(text)) : text.toLatin1();
}
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
    m_readError.clear();
    m_damaged = m_cp1251 = m_bom = m_crlf = false;
    QByteArray data;
    if (SettingsFileReader::read(m_path, &data, &m_readError))
        parse(data);
}

void IniFile::parse(QByteArray data)
{
    if (data.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        data.remove(0, 3);
    }
    for (const char c : std::as_const(data)) {
        const auto u = uchar(c);
        if (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && u != 0x1A) {
            m_damaged = true;
            break;
        }
    }
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString probe = utf8(data); // the decoder works only when its result is taken
        m_cp1251 = utf8.hasError();
    }
    QList<QByteArray> rawLines = data.split('\n');
    if (!rawLines.isEmpty() && rawLines.back().isEmpty())
        rawLines.removeLast(); // the final line break
    m_crlf = !rawLines.isEmpty() && rawLines.front().endsWith('\r');
    m_lines.reserve(rawLines.size());
    for (const QByteArray& raw : std::as_const(rawLines)) {
        QByteArray bytes = raw;
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        Line line = parseLine(m_cp1251 ? decodeCp1251(bytes) : QString::fromUtf8(bytes));
        line.raw = raw;
        line.kept = true;
        m_lines.append(line);
    }
    while (!m_lines.isEmpty() && m_lines.back().kind == Line::Other && m_lines.back().text.isEmpty())
        m_lines.removeLast();
}

void IniFile::requireReadable() const
{
    if (!m_readError.isEmpty())
        throw Exception(QStringLiteral("Не удалось прочитать файл настроек \"%1\": %2. Исправьте или удалите "
                                       "этот файл.")
                            .arg(m_path, m_readError));
    if (m_damaged)
        throw Exception(QStringLiteral("Файл настроек \"%1\" повреждён: в нём двоичные данные, а не текст. "
                                       "Исправьте или удалите этот файл.")
                            .arg(m_path));
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
    modify([&] {
        setString(section, key, value);
        return true;
    });
}

void IniFile::setString(const QString& section, const QString& key, const QString& value)
{
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
    modify([&] {
        const int s = findSection(section);
        if (s < 0)
            return false;
        m_lines.remove(s, sectionEnd(s) - s);
        return true;
    });
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    modify([&] {
        const int k = findKey(findSection(section), key);
        if (k < 0)
            return false;
        m_lines.remove(k);
        return true;
    });
}

void IniFile::update(const std::function<void()>& changes)
{
    if (m_inUpdate) {
        changes();
        return;
    }
    modify([&] {
        m_inUpdate = true;
        try {
            changes();
        } catch (...) {
            m_inUpdate = false;
            throw;
        }
        m_inUpdate = false;
        return true;
    });
}

void IniFile::modify(const std::function<bool()>& change)
{
    // Inside update() the caller already holds the lock and saves once at the end.
    if (m_inUpdate) {
        change();
        return;
    }
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        throw Exception(QStringLiteral("Не удалось записать файл настроек \"%1\": не удалось создать папку \"%2\".")
                            .arg(m_path, info.absolutePath()));
    // Read-modify-write like the profile functions, under a lock so that other
    // programs writing the same file never undo each other's writes.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(LockWaitMs)) {
        const QString why = lock.error() == QLockFile::LockFailedError
                                ? QStringLiteral("файл занят другой программой")
                                : QStringLiteral("не удалось создать файл блокировки \"%1.lock\" (нет прав на "
                                                 "запись в папку?)")
                                      .arg(m_path);
        throw Exception(QStringLiteral("Не удалось записать файл настроек \"%1\": %2.").arg(m_path, why));
    }
    reload();
    if (!m_readError.isEmpty())
        throw Exception(QStringLiteral("Файл настроек \"%1\" не записан: %2. Его содержимое оставлено как есть.")
                            .arg(m_path, m_readError));
    if (change())
        save();
}

QByteArray IniFile::serialize()
{
    if (m_cp1251) {
        // A value that windows-1251 cannot hold turns the file into UTF-8, with every line kept.
        for (const Line& l : std::as_const(m_lines))
            if (!l.kept && decodeCp1251(encodeCp1251(l.text)) != l.text) {
                m_cp1251 = false;
                for (Line& each : m_lines)
                    each.kept = false;
                break;
            }
    }
    QByteArray out;
    if (m_bom)
        out += "\xEF\xBB\xBF";
    for (const Line& l : std::as_const(m_lines)) {
        if (l.kept) {
            out += l.raw;
        } else {
            out += m_cp1251 ? encodeCp1251(l.text) : l.text.toUtf8();
            if (m_crlf)
                out += '\r';
        }
        out += '\n';
    }
    return out;
}

void IniFile::save()
{
    const QByteArray out = serialize();
    // The new content goes to a temporary file that replaces the old one only when
    // every byte is written and on disk; any failure leaves the old file in place.
    QSaveFile f(m_path);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        writeFailed(f.errorString(), out.size());
    if (f.write(out) != out.size() || !f.flush()) {
        const QString why = f.errorString();
        f.cancelWriting();
        writeFailed(why, out.size());
    }
#ifdef Q_OS_UNIX
    if (::fsync(f.handle()) != 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        f.cancelWriting();
        writeFailed(why, out.size());
    }
#endif
    if (!f.commit())
        writeFailed(f.errorString(), out.size());
}

void IniFile::writeFailed(const QString& why, qint64 bytes) const
{
    QString reason = why;
    const QStorageInfo disk(QFileInfo(m_path).absolutePath());
    if (disk.isValid() && disk.isReadOnly())
        reason = QStringLiteral("диск доступен только для чтения");
    else if (disk.isValid() && disk.bytesAvailable() < bytes + 4096)
        reason = QStringLiteral("на диске нет места (%1)").arg(why);
    throw Exception(QStringLiteral("Не удалось записать файл настроек \"%1\": %2. Прежнее содержимое файла "
                                   "сохранено.")
                        .arg(m_path, reason));
}

} // namespace Tarvo
