#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Новая" for an article of a supplier's price: a product of our catalog, saved at once in its
// own transaction (it stays when the import itself is not saved).
class PriceNewProduct
{
public:
    // The article the new product gets: the supplier's (cut to our 20 characters), or with
    // "ParitetImportArtc" the largest all-digit article plus one, compared as numbers.
    static QString firstArticle(Data::Database& db, const QString& supplierArticle, bool paritet);
    // The candidate after `article` when it is taken.
    static QString nextArticle(const QString& article, const QString& supplierArticle, bool paritet, int attempt);
    // Creates the product; an article someone else took meanwhile makes it take the next one.
    static qint64 create(Data::Database& db, const QString& supplierArticle, const QString& name, bool paritet);

    static constexpr int ArticleSize = 20;
    static constexpr int NameSize = 200;
};

} // namespace Tarvo::Catalog
