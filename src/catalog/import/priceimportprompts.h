#pragma once

#include <QString>
#include <QStringList>

namespace Tarvo::Catalog {

// What a price-list run asks the user and tells them. The program answers with its windows;
// tests and benchmarks answer with scripts.
class PriceImportPrompts
{
public:
    virtual ~PriceImportPrompts() = default;

    struct Choice
    {
        enum Kind
        {
            Product,  // the article is this product's
            Skip,     // the article is left out of this run
            DeferAll, // this and every later unknown article go to "Разбор прайс-листов"
            Abort     // the run ends after this row (the save is still offered)
        };
        Kind kind = Skip;
        qint64 productId = 0;
    };
    // An article the supplier's map does not know.
    virtual Choice choose(const QString& article, const QString& name) = 0;
    // The chosen product already has another article of this supplier.
    virtual bool replaceArticle(const QString& otherArticle) = 0;

    // The counts while the file is read; `expected` 0 when unknown.
    virtual void progress(qint64 rows, qint64 expected) = 0;
    // The user asked to stop (checked after each row).
    virtual bool stopRequested() = 0;

    // A failure that ended the reading (before the save question).
    virtual void failure(const QString& text) = 0;
    // The save question; `details` lists counts and the rows left out.
    virtual bool confirmSave(const QString& text, const QString& details, bool defaultYes) = 0;
    // The save failed; the rows are kept. True: try again (without the rows named in `text`).
    virtual bool retrySave(const QString& text) = 0;
    virtual void saved(const QString& text) = 0;
};

} // namespace Tarvo::Catalog
