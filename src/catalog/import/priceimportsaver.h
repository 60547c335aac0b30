#pragma once

#include "core/exception.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class PriceImportSession;

// The save of a run, in one transaction: the supplier's scm_partner row when missing, the price
// names, the article map, the supplier prices and the deferred articles, each table written as a
// whole through a staging table (bulk load, then one update and one insert).
class PriceImportSaver
{
public:
    // Rows whose product is gone (deleted by another user since it was chosen): nothing was
    // written; the run may drop them and save again.
    class RowsRefused : public Exception
    {
    public:
        RowsRefused(const QString& text, QStringList articles) : Exception(text), m_articles(std::move(articles)) {}
        const QStringList& articles() const { return m_articles; }

    private:
        QStringList m_articles;
    };

    PriceImportSaver(Data::Database& db, int userId) : m_db(db), m_userId(userId) {}

    // Returns the supplier's par_id.
    qint64 save(PriceImportSession& session);

    // The supplier's scm_partner row, created when missing; inside the caller's transaction and
    // safe against another workstation creating it at the same moment.
    static qint64 ensurePartner(Data::Database& db, const QString& nuser);
    // The key of a price kind, created when missing; inside the caller's transaction.
    static qint64 ensurePriceName(Data::Database& db, const QString& name);

private:
    // Each row through statements prepared once (an in-process engine).
    void writeRows(PriceImportSession& session, qint64 par, const QHash<QString, qint64>& priceIds,
                   const QDateTime& now);
    // The rows loaded in bulk into staging tables, then set-based statements (a server).
    void stageRows(PriceImportSession& session, qint64 par, const QHash<QString, qint64>& priceIds,
                   const QDateTime& now);
    // An insert of the staged rows; a table it grew by many rows gets fresh statistics.
    void insertAndAnalyze(const QString& table, const QString& sql, const QVariantList& params);

    static constexpr int AnalyzeAfterRows = 1000;
    Data::Database& m_db;
    int m_userId;
};

} // namespace Tarvo::Catalog
