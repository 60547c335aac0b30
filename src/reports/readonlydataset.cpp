#include "reports/readonlydataset.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

QString writeRefusal(const QString& name)
{
    return u"Запрос набора данных \"%1\" изменяет данные. Отчеты только читают базу данных: исправьте "
           "шаблон (нужен один запрос SELECT)."_s.arg(name);
}

// SQLite says itself whether a statement writes; more than one statement is refused too.
void checkSqlite(Data::Database& db, const QString& name, const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db.sqliteHandle(), text.constData(), int(text.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db.sqliteHandle()));
        sqlite3_finalize(stmt);
        throw Exception(u"Запрос набора данных \"%1\" неверен: %2."_s.arg(name, why));
    }
    const bool readOnly = stmt && sqlite3_stmt_readonly(stmt);
    sqlite3_finalize(stmt);
    if (!stmt)
        throw Exception(u"В наборе данных \"%1\" нет запроса."_s.arg(name));
    if (!readOnly)
        throw Exception(writeRefusal(name));
    if (tail && !QByteArray(tail).trimmed().isEmpty() && QByteArray(tail).trimmed() != ";")
        throw Exception(u"В наборе данных \"%1\" больше одного запроса: нужен один SELECT."_s.arg(name));
}

} // namespace

std::unique_ptr<Data::TRowSet> ReadOnlyDataset::load(Data::Database& db, const QString& name, const QString& sql,
                                                     const QVariantMap& variables)
{
    if (db.inTransaction())
        throw Exception(u"Отчет нельзя построить во время сохранения данных."_s);
    if (db.engine() == Data::Engine::SQLite)
        checkSqlite(db, name, sql);

    Data::Query q(db, sql);
    for (const QString& p : q.parameterNames()) {
        auto it = variables.constEnd();
        for (auto v = variables.constBegin(); v != variables.constEnd(); ++v)
            if (v.key().compare(p, Qt::CaseInsensitive) == 0)
                it = v;
        if (it == variables.constEnd())
            throw Exception(u"В запросе набора данных \"%1\" параметру :%2 не задано значение."_s.arg(name, p));
        q.bind(p, it.value());
    }
    auto rows = std::make_unique<Data::TRowSet>();
    if (db.engine() != Data::Engine::PostgreSQL) {
        rows->loadFrom(q);
        return rows;
    }
    db.beginTransaction();
    try {
        db.exec(u"set transaction read only"_s);
        rows->loadFrom(q);
    } catch (const Data::DatabaseError& e) {
        db.rollback();
        // 25006: a write inside a read-only transaction.
        if (e.engineCode() == u"25006"_s)
            throw Exception(writeRefusal(name));
        throw;
    } catch (...) {
        db.rollback();
        throw;
    }
    db.rollback();
    return rows;
}

} // namespace Tarvo::Reports
