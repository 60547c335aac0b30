#pragma once

#include "catalog/import/priceimportrow.h"

#include <QDataStream>
#include <QHash>
#include <QTemporaryFile>
#include <functional>
#include <vector>

namespace Tarvo::Catalog {

// The rows of a run, written to a temporary file as they come: memory holds only the article
// index. One row per article: a later row of the same article replaces the earlier one.
class PriceRowStore
{
public:
    PriceRowStore();

    // Articles compare trimmed and without case.
    static QString key(const QString& article);

    // Adds the row, or replaces the one of the same article. Throws when the file cannot be written.
    void put(const PriceImportRow& row);
    // The row of that article (by key) is dropped.
    void remove(const QString& articleKey);
    bool contains(const QString& articleKey) const { return m_index.contains(articleKey); }
    // The product of the kept row of that article (0: deferred).
    qint64 productOf(const QString& articleKey) const { return m_slots[size_t(m_index.value(articleKey))].productId; }
    // The article of the accepted row of that product in this run, empty when none.
    QString articleOfProduct(qint64 productId) const;

    qint64 count() const { return m_live; }
    qint64 deferredCount() const { return m_deferred; }

    // Every kept row in the order first seen.
    void forEach(const std::function<void(const PriceImportRow&)>& f) const;

private:
    struct Slot
    {
        qint64 offset = -1; // -1: dropped
        qint64 productId = 0;
    };
    void writeFailed() const;

    mutable QTemporaryFile m_file;
    mutable QDataStream m_stream;
    mutable bool m_appending = true;
    std::vector<Slot> m_slots;
    QHash<QString, qint32> m_index;
    QHash<qint64, qint32> m_byProduct;
    qint64 m_live = 0;
    qint64 m_deferred = 0;
};

} // namespace Tarvo::Catalog
