#include "catalog/books/booktable.h"

#include "catalog/catalogtransaction.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/modules/rowcountcheck.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

BookTable::BookTable(QString table, QStringList keyColumns, QStringList columns)
    : m_table(std::move(table)), m_keys(std::move(keyColumns)), m_columns(std::move(columns))
{}

BookTable& BookTable::identity(const QString& column)
{
    m_identity = column;
    return *this;
}

BookTable::Refusal BookTable::refusals(const QString& inUse, const QString& duplicate)
{
    return [inUse, duplicate](const Data::DatabaseError& e, bool deleting) {
        if (deleting && !inUse.isEmpty() && e.nativeError() == Data::NativeError::Reference)
            throw Exception(inUse);
        if (!deleting && !duplicate.isEmpty() && e.nativeError() == Data::NativeError::Constraint)
            throw Exception(duplicate);
    };
}

BookTable& BookTable::onRefusal(Refusal refusal)
{
    m_refusal = std::move(refusal);
    return *this;
}

BookTable& BookTable::checkBeforeDelete(DeleteCheck check)
{
    m_deleteCheck = std::move(check);
    return *this;
}

void BookTable::attach(Data::TUpdatedADODataSet& dataSet, Data::Database& db) const
{
    const BookTable self = *this;
    dataSet.onInternalPost = [self, &db](Data::TUpdatedADODataSet& ds) {
        try {
            self.post(ds, db);
        } catch (const Data::DatabaseError& e) {
            if (self.m_refusal)
                self.m_refusal(e, false);
            throw;
        }
    };
    dataSet.onInternalDelete = [self, &db](Data::TUpdatedADODataSet& ds) {
        try {
            self.remove(ds, db);
        } catch (const Data::DatabaseError& e) {
            if (self.m_refusal)
                self.m_refusal(e, true);
            throw;
        }
    };
}

void BookTable::post(Data::TUpdatedADODataSet& ds, Data::Database& db) const
{
    QVariantList values;
    if (ds.state() == Data::RowSetState::Insert) {
        QStringList columns, marks;
        for (const QString& c : m_columns) {
            if (c.compare(m_identity, Qt::CaseInsensitive) == 0)
                continue;
            columns << c;
            marks << u"?"_s;
            values << ds.value(c);
        }
        const QString sql =
            u"insert into %1 (%2) values (%3)"_s.arg(m_table, columns.join(u", "_s), marks.join(u", "_s));
        if (m_identity.isEmpty()) {
            db.exec(sql, values);
        } else {
            const qint64 key = db.insertReturning(sql, m_identity, values);
            ds.setValue(m_identity, key);
        }
        return;
    }
    QStringList sets, where;
    for (const QString& c : m_columns) {
        if (c.compare(m_identity, Qt::CaseInsensitive) == 0)
            continue;
        sets << c + u" = ?"_s;
        values << ds.value(c);
    }
    for (const QString& k : m_keys) {
        where << k + u" = ?"_s;
        values << ds.originalValue(k);
    }
    Data::RowCountCheck::exec(db, u"update %1 set %2 where %3"_s.arg(m_table, sets.join(u", "_s), where.join(u" and "_s)),
                              values, RowGone);
}

void BookTable::remove(Data::TUpdatedADODataSet& ds, Data::Database& db) const
{
    QStringList where;
    QVariantList values;
    for (const QString& k : m_keys) {
        where << k + u" = ?"_s;
        values << ds.originalValue(k);
    }
    CatalogTransaction tx(db);
    if (m_deleteCheck)
        m_deleteCheck(db, ds);
    Data::RowCountCheck::exec(db, u"delete from %1 where %2"_s.arg(m_table, where.join(u" and "_s)), values,
                              RowAlreadyGone);
    tx.commit();
}

} // namespace Tarvo::Catalog
