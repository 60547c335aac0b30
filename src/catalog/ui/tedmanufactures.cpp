#include "catalog/ui/tedmanufactures.h"

#include "catalog/books/booktable.h"
#include "catalog/ui/bookfields.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> manufactures(Data::Database& db)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    ds->setSql(QStringList{u"select mn_id, mn_name from crm_manufacture"_s,
                           u"where mn_name <> '' order by mn_name"_s});
    // Products keep their rows when a manufacturer goes (the reference sets null).
    BookTable(u"crm_manufacture"_s, {u"mn_id"_s}, {u"mn_name"_s}).identity(u"mn_id"_s).attach(*ds, db);
    ds->beforePost = [](Data::TRowSet& rs) {
        requireText(rs, u"mn_name"_s, u"Не задано название производителя"_s);
    };
    ds->open();
    BookFields(*ds).hide(u"mn_id"_s).label(u"mn_name"_s, u"Производитель"_s);
    return ds;
}

} // namespace

TedManufactures::TedManufactures(Data::Database& db, QWidget* parent)
    : TBookEditor(u"Производители"_s, manufactures(db), parent)
{
}

} // namespace Tarvo::Catalog
