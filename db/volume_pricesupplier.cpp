#include "db/volume_pricesupplier.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "db/bulkinserter.h"
#include "reports/xlsxtablewriter.h"

#include <QDir>
#include <QSaveFile>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::VolumePriceSupplier {

namespace {

const QString GroupName = u"Товары поставщика прайс-листа"_s;

QString articleOf(qint64 line)
{
    return u"PS-%1"_s.arg(line + 1, 7, 10, QChar(u'0'));
}

QString commaText(Money m)
{
    return m.toString(2).replace(u'.', u',');
}

QStringList heading()
{
    return QStringList{u"Артикул"_s, u"Наименование"_s, u"Цена"_s} + priceNames();
}

} // namespace

QString supplierCode()
{
    return u"ПРАЙС"_s;
}

QStringList priceNames()
{
    return {u"EXW"_s, u"DDP"_s};
}

Money price(qint64 line, int kind, int round)
{
    return Money::fromRaw((10 + line % 1000 + 3 * round + kind) * Money::Scale + (line % 100) * 100);
}

qint64 run(Database& db, qint64 products)
{
    if (products <= 0)
        return 0;
    if (db.scalar(u"select count(*) from _partner where N_USER = ?"_s, {supplierCode()}).toLongLong() > 0)
        throw Exception(u"Поставщик %1 уже есть в базе: товары прайс-листа добавляются один раз"_s.arg(supplierCode()));
    const qint64 partner = db.scalar(u"select coalesce(max(par_ID), 0) + 1 from scm_partner"_s).toLongLong();
    const qint64 group = db.scalar(u"select coalesce(max(pg_groupid), 0) + 1 from crm_productgroups"_s).toLongLong();
    const qint64 first = db.scalar(u"select coalesce(max(PR_ID), 0) + 1 from crm_product"_s).toLongLong();
    db.exec(u"insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values (?, ?, 'Т')"_s,
            {supplierCode(), u"Поставщик с прайс-листом"_s});
    db.exec(u"insert into scm_partner (par_ID, par_nuser) values (?, ?)"_s, {partner, supplierCode()});
    db.exec(u"insert into crm_productgroups (pg_groupid, pg_groupname) values (?, ?)"_s, {group, GroupName});
    BulkInserter rows(db, u"crm_product"_s, {u"PR_ID"_s, u"PR_ARTICUL"_s, u"PR_NAME"_s, u"PR_GROUPID"_s, u"PR_EDIN_IZMER"_s});
    for (qint64 i = 0; i < products; ++i)
        rows.add({first + i, articleOf(i), u"Товар прайс-листа %1"_s.arg(i + 1), group, u"шт"_s});
    rows.flush();
    for (const auto& [table, key] : QList<QPair<QString, QString>>{
             {u"scm_partner"_s, u"par_ID"_s}, {u"crm_productgroups"_s, u"pg_groupid"_s}, {u"crm_product"_s, u"PR_ID"_s}})
        for (const QString& sql : db.dialect().resetIdentity(table, key))
            db.exec(sql);
    return rows.rowCount() + 3;
}

void forEachProduct(Database& db,
                    const std::function<void(qint64 line, qint64 id, const QString& article, const QString& name)>& f)
{
    Query q(db, u"select PR_ID, PR_ARTICUL, PR_NAME from crm_product where PR_GROUPID in (select pg_groupid from "
                "crm_productgroups where pg_groupname = ?) order by PR_ID"_s);
    q.bindAll({GroupName}).exec();
    qint64 line = 0;
    while (q.next())
        f(line++, q.integer(0), q.string(1), q.string(2));
}

qint64 writeFile(Database& db, const QString& path, const FileOptions& options)
{
    const QString shown = QDir::toNativeSeparators(path);
    const qint64 lines = db.scalar(u"select count(*) from crm_product where PR_GROUPID in (select pg_groupid from "
                                   "crm_productgroups where pg_groupname = ?)"_s,
                                   {GroupName})
                             .toLongLong();
    if (lines == 0)
        throw Exception(u"В базе нет товаров поставщика %1: сначала tarvo-admin generate --price-supplier N"_s.arg(
            supplierCode()));
    if (options.format == FileFormat::Xlsx) {
        QList<Reports::XlsxTableWriter::Column> columns;
        for (const QString& c : heading())
            columns << Reports::XlsxTableWriter::Column{c, c == u"Наименование"_s ? 30.0 : 12.0,
                                                        columns.size() < 2 ? Reports::XlsxTableWriter::Kind::Text
                                                                           : Reports::XlsxTableWriter::Kind::Number,
                                                        2};
        Reports::XlsxTableWriter book(path, u"Прайс-лист"_s, {}, columns, lines);
        forEachProduct(db, [&](qint64 line, qint64, const QString& article, const QString& name) {
            book.setValue(0, article);
            book.setValue(1, name);
            for (int k = 0; k < 3; ++k)
                book.setValue(2 + k, price(line, k, options.round).toVariant());
            book.nextRow();
        });
        book.finish();
        return book.rowsWritten();
    }
    QStringEncoder encoder = options.windows1251 ? QStringEncoder("windows-1251") : QStringEncoder(QStringEncoder::Utf8);
    if (!encoder.isValid())
        throw Exception(u"Кодировка windows-1251 недоступна в этой сборке Qt"_s);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(u"Не удалось создать файл \"%1\": %2"_s.arg(shown, file.errorString()));
    QByteArray buf = encoder.encode(heading().join(u';') + u"\r\n"_s);
    qint64 written = 0;
    const auto write = [&] {
        if (file.write(buf) != buf.size())
            throw Exception(u"Не удалось записать файл \"%1\": %2"_s.arg(shown, file.errorString()));
        buf.clear();
    };
    forEachProduct(db, [&](qint64 line, qint64, const QString& article, const QString& name) {
        QString text = article + u';' + name;
        for (int k = 0; k < 3; ++k)
            text += u';' + commaText(price(line, k, options.round));
        buf += encoder.encode(text + u"\r\n"_s);
        ++written;
        if (buf.size() > (1 << 20))
            write();
    });
    write();
    if (!file.commit())
        throw Exception(u"Не удалось записать файл \"%1\": %2"_s.arg(shown, file.errorString()));
    return written;
}

} // namespace Tarvo::Data::VolumePriceSupplier
