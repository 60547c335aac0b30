#pragma once

#include "catalog/import/pricearticleindex.h"
#include "catalog/import/priceimportrow.h"

#include <QByteArray>
#include <QTemporaryFile>
#include <functional>

namespace Tarvo::Catalog {

// The rows of a run, written to a temporary file in large blocks as they come: memory holds only
// the article index. One row per article: a later row of the same article replaces the earlier one.
class PriceRowStore
{
public:
    PriceRowStore();

    // Articles compare trimmed and without case.
    static QByteArray key(QStringView article);
    // The same key from the article's UTF-8 (as the stored map is read).
    static QByteArray key(QByteArrayView utf8);
    // A hash of the article exactly as spelled (its UTF-8): a re-import leaves an unchanged
    // spelling (and the index over it) untouched.
    static quint32 spelling(QByteArrayView utf8);

    PriceArticleIndex& index() { return m_index; }
    const PriceArticleIndex& index() const { return m_index; }

    // Adds the row, or replaces the one of the same article. Throws when the file cannot be written;
    // the store is then unusable (failed()).
    void put(const PriceImportRow& row) { put(row, key(row.article)); }
    // The same with the article's key (key()) already made.
    void put(const PriceImportRow& row, QByteArrayView articleKey);
    // The row of that article (by key) is dropped.
    void remove(QByteArrayView articleKey);
    // The kept row of the entry is dropped.
    void drop(qint32 entry);
    bool contains(QByteArrayView articleKey) const;
    // The kept row of the entry, read back from the file.
    PriceImportRow row(qint32 entry) const;

    qint64 count() const { return m_live; }
    qint64 deferredCount() const { return m_deferred; }
    // The optional fields any row put here set (PriceImportRow::setFields): a column no row set
    // keeps its stored value without being written.
    quint32 setFields() const { return m_setFields; }
    // A write to the file failed: its rows are incomplete.
    bool failed() const { return m_failed; }

    // Every kept row, each once, with its entry in the index.
    void forEach(const std::function<void(const PriceImportRow&, qint32 entry)>& f) const;

    // Rows gathered before they go to the file in one write.
    static constexpr qint64 BlockSize = 1 << 20;

private:
    static constexpr qsizetype RecordHead = 8; // the row's byte count, its entry

    void flush() const;
    [[noreturn]] void writeFailed() const;
    [[noreturn]] void readFailed() const;

    mutable QTemporaryFile m_file;
    mutable QByteArray m_block; // records not yet in the file: size, entry, row (encode)
    mutable qint64 m_flushed = 0; // bytes already in the file
    mutable bool m_failed = false;
    PriceArticleIndex m_index;
    qint64 m_live = 0;
    qint64 m_deferred = 0;
    quint32 m_setFields = 0;
};

} // namespace Tarvo::Catalog
