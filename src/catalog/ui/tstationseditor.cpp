#include "catalog/ui/tstationseditor.h"

#include "catalog/books/booktable.h"
#include "catalog/ui/bookfields.h"
#include "core/exception.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> stations(Data::Database& db)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    ds->setSql(u"select sta_id, sta_name, sta_tax, sta_region from scm_station order by sta_name"_s);
    BookTable(u"scm_station"_s, {u"sta_id"_s}, {u"sta_id"_s, u"sta_name"_s, u"sta_tax"_s, u"sta_region"_s})
        .identity(u"sta_id"_s)
        .onRefusal(BookTable::refusals(u"Станция используется в документах\r\nУдаление невозможно."_s))
        .attach(*ds, db);
    ds->beforePost = [](Data::TRowSet& rs) {
        requireText(rs, u"sta_name"_s, u"Не задано название станции"_s);
    };
    ds->open();
    BookFields(*ds)
        .hide(u"sta_id"_s)
        .label(u"sta_name"_s, u"Станция"_s)
        .label(u"sta_tax"_s, u"Тариф"_s)
        .label(u"sta_region"_s, u"Регион"_s);
    return ds;
}

} // namespace

TStationsEditor::TStationsEditor(Data::Database& db, QWidget* parent)
    : TBookEditor(u"Станции отправления"_s, stations(db), parent)
{}

} // namespace Tarvo::Catalog
