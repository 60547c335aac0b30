#pragma once

#include "catalog/import/priceimportrow.h"
#include "catalog/import/pricerowstore.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <optional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class PriceImportPrompts;

// One run of a price-list import for one supplier: matching, the rows the module reports, the
// rows left out with their reasons. Nothing is written to the database before the save
// (PriceImportSaver), except products the user creates with "Новая".
class PriceImportSession
{
public:
    PriceImportSession(Data::Database& db, const QString& supplierNUser, PriceImportPrompts& prompts);

    // The par_id of the supplier; a placeholder (-1) until the save creates its scm_partner row.
    std::int32_t supplierId() const { return m_supplierId > 0 ? std::int32_t(m_supplierId) : -1; }
    qint64 storedSupplierId() const { return m_supplierId; }
    const QString& supplierNUser() const { return m_nuser; }
    // True when `text` (from a module) names this import's supplier or nobody.
    bool isOwnSupplier(const QString& text) const;

    // Starts a row. A row the user skips, or that cannot be stored, leaves the row rejected:
    // the setters do nothing until the next one.
    void assignProduct(const QString& article, const QString& name, const QString& currency, Money price,
                       bool nameGiven);
    void setString(int code, const QString& text);
    void setInteger(int code, qint64 value);
    void setMoney(int code, Money value);
    void setFloat(int code, double value);
    void addPrice(const QString& priceName, Money value);
    // A problem the module met in its file (a line it skipped).
    void reportLine(qint64 line, const QString& text);
    // Ends the current row (called before the save).
    void finish();

    bool stopped() const { return m_stop; }
    void stop() { m_stop = true; }

    qint64 rowsSeen() const { return m_rows; }
    PriceRowStore& store() { return m_store; }
    const PriceRowStore& store() const { return m_store; }
    qint64 skipped() const { return m_skipped; }
    qint64 reported() const { return m_reportCount; }
    // The first rows left out, with their reasons.
    const QStringList& reports() const { return m_reports; }
    // Every price name the kept rows carry.
    const QSet<QString>& priceNames() const { return m_priceNames; }

    static constexpr int MaxReports = 1000;
    static constexpr int ArticleSize = 50;
    static constexpr int CurrencySize = 8;
    static constexpr int PriceNameSize = 30;
    static constexpr int TextSize = 250;

private:
    void reject(const QString& why);
    void report(const QString& text);
    std::optional<qint64> productFor(const QByteArray& key, qint32 self, const QString& article, const QString& name);
    // The article the supplier's stored map gives the product, as spelled there.
    QString storedArticle(qint32 entry, qint64 product) const;

    Data::Database& m_db;
    PriceImportPrompts& m_prompts;
    QString m_nuser;
    qint64 m_supplierId = 0;
    QHash<QByteArray, QString> m_currencies; // key -> the book's spelling
    // The stored map, the deferred and the skipped articles are flags of the store's index.
    PriceRowStore m_store;
    QSet<QString> m_priceNames;

    std::optional<PriceImportRow> m_current;
    QByteArray m_currentKey; // PriceRowStore::key of its article
    bool m_started = false;
    bool m_deferAll = false;
    bool m_stop = false;
    qint64 m_rows = 0;
    qint64 m_skipped = 0;
    qint64 m_reportCount = 0;
    QStringList m_reports;
};

} // namespace Tarvo::Catalog
