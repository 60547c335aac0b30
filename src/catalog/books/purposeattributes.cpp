#include "catalog/books/purposeattributes.h"

#include "core/apppaths.h"
#include "core/iniparamreader.h"
#include "data/engine/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString PurposeAttributes::ValuesSql =
    u"Select * from CS_VALUES where\nCS_TIP_TOVR=:CS_TIP_TOVR and CS_N_FIELD=:CS_N_FIELD"_s;

namespace {

// Code page 1251, 0x80..0xBF; 0xC0..0xFF are А..я.
const char16_t Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

QString decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    for (char ch : bytes) {
        const uchar c = uchar(ch);
        text += c < 0x80    ? QChar(c)
                : c >= 0xC0 ? QChar(char16_t(0x0410 + c - 0xC0))
                            : QChar(Cp1251High[c - 0x80]);
    }
    return text;
}

} // namespace

QString PurposeAttributes::sharedFolder()
{
    const IniParamReader reader(AppPaths::workstationIni(), QCoreApplication::arguments());
    QString dir = reader.readString(u"CLIENT"_s, u"TARVODIR"_s).trimmed();
    if (dir.isEmpty())
        return {};
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';
    return dir;
}

QStringList PurposeAttributes::captions(const QString& folder)
{
    QStringList r{u"Цвет"_s, u"Размер"_s, u"Объем"_s};
    if (folder.isEmpty())
        return r;
    QFile f(QDir(folder).filePath(u"allsclad.ini"_s));
    if (!f.open(QIODevice::ReadOnly))
        return r;
    bool inSection = false;
    for (QString line : decode(f.readAll()).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(u"[Razmer_Global]"_s, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        for (int i = 0; i < 3; ++i)
            if (key.compare(u"Razmer.%1"_s.arg(i), Qt::CaseInsensitive) == 0 && !value.isEmpty())
                r[i] = value;
    }
    return r;
}

bool PurposeAttributes::valuesTableExists(Data::Database& db)
{
    return db.objectExists(u"CS_VALUES"_s);
}

QString PurposeAttributes::valuesCaption(const QString& purpose, const QString& attribute)
{
    return u"Свойства типа %1 справочник %2"_s.arg(purpose, attribute);
}

} // namespace Tarvo::Catalog
