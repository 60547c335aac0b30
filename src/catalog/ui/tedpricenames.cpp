#include "catalog/ui/tedpricenames.h"

#include "catalog/books/booktable.h"
#include "catalog/ui/bookfields.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> priceNames(Data::Database& db)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    // The key comes along so that renaming and deleting address the row, not its name.
    ds->setSql(QStringList{u"select prn_id, prn_name from scm_pricename"_s, u"order by prn_name"_s});
    BookTable(u"scm_pricename"_s, {u"prn_id"_s}, {u"prn_name"_s})
        .identity(u"prn_id"_s)
        .onRefusal(
            BookTable::refusals(u"Этот вид цен используется в ценах товаров\r\nУдаление невозможно."_s))
        .attach(*ds, db);
    ds->beforePost = [](Data::TRowSet& rs) {
        requireText(rs, u"prn_name"_s, u"Не задано название вида цен"_s);
    };
    ds->open();
    BookFields(*ds).hide(u"prn_id"_s).label(u"prn_name"_s, u"Вид цен"_s);
    return ds;
}

} // namespace

TedPriceNames::TedPriceNames(Data::Database& db, QWidget* parent)
    : TBookEditor(u"Условия поставки (Виды цен)"_s, priceNames(db), parent)
{}

} // namespace Tarvo::Catalog
