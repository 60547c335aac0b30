#include "catalog/import/pricenewproduct.h"

#include "catalog/prices/productstore.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

bool allDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Decimal text plus one, however long.
QString plusOne(QString s)
{
    int i = int(s.size()) - 1;
    while (i >= 0 && s[i] == u'9')
        s[i--] = u'0';
    if (i < 0)
        return u'1' + s;
    s[i] = QChar(s[i].unicode() + 1);
    return s;
}

QString withoutLeadingZeros(const QString& s)
{
    qsizetype i = 0;
    while (i + 1 < s.size() && s[i] == u'0')
        ++i;
    return s.mid(i);
}

bool taken(Data::Database& db, const QString& article)
{
    Data::Query q(db, u"select count(*) from crm_product where PR_ARTICUL = ?"_s);
    q.bindAll({article}).exec();
    return q.next() && q.integer(0) > 0;
}

} // namespace

QString PriceNewProduct::firstArticle(Data::Database& db, const QString& supplierArticle, bool paritet)
{
    if (!paritet)
        return supplierArticle.trimmed().left(ArticleSize);
    QString largest = u"0"_s;
    Data::Query q(db, u"select PR_ARTICUL from crm_product"_s);
    q.exec();
    while (q.next()) {
        const QString a = withoutLeadingZeros(q.string(0).trimmed());
        if (!allDigits(a))
            continue;
        if (a.size() > largest.size() || (a.size() == largest.size() && a > largest))
            largest = a;
    }
    return plusOne(largest);
}

QString PriceNewProduct::nextArticle(const QString& article, const QString& supplierArticle, bool paritet,
                                     int attempt)
{
    if (paritet)
        return plusOne(article);
    const QString suffix = u"-%1"_s.arg(attempt + 1);
    return supplierArticle.trimmed().left(ArticleSize - int(suffix.size())) + suffix;
}

qint64 PriceNewProduct::create(Data::Database& db, const QString& supplierArticle, const QString& name, bool paritet)
{
    QString article = firstArticle(db, supplierArticle, paritet);
    if (article.isEmpty())
        throw Exception(u"У товара поставщика нет артикула: новый товар не может быть создан"_s);
    const QString productName = (name.trimmed().isEmpty() ? supplierArticle.trimmed() : name.trimmed()).left(NameSize);
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        if (taken(db, article)) {
            article = nextArticle(article, supplierArticle, paritet, attempt);
            continue;
        }
        try {
            return ProductStore(db).insert([&](const QString& column) -> QVariant {
                if (column.compare(u"PR_ARTICUL"_s, Qt::CaseInsensitive) == 0)
                    return article;
                if (column.compare(u"PR_NAME"_s, Qt::CaseInsensitive) == 0)
                    return productName;
                if (column.compare(u"ou_price"_s, Qt::CaseInsensitive) == 0)
                    return Money().toVariant();
                if (column.compare(u"op_prval"_s, Qt::CaseInsensitive) == 0)
                    return false;
                return {};
            });
        } catch (const Exception& e) {
            // Another workstation took the article between the check and the insert.
            if (e.message() != ProductStore::DuplicateArticle)
                throw;
            article = nextArticle(article, supplierArticle, paritet, attempt);
        }
    }
    throw Exception(u"Не найден свободный артикул для нового товара «%1»"_s.arg(productName));
}

} // namespace Tarvo::Catalog
