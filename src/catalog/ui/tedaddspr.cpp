#include "catalog/ui/tedaddspr.h"

#include "catalog/books/booktable.h"
#include "catalog/books/purposeattributes.h"
#include "catalog/ui/bookfields.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> values(Data::Database& db, const QString& purpose, int number,
                                                 const QString& attribute)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    ds->setSql(PurposeAttributes::ValuesSql);
    ds->setParameter(u"CS_TIP_TOVR"_s, purpose);
    ds->setParameter(u"CS_N_FIELD"_s, number);
    BookTable(u"CS_VALUES"_s, {u"cs_id"_s}, {u"cs_id"_s, u"cs_TIP_TOVR"_s, u"cs_N_FIELD"_s, u"cs_VALUE"_s})
        .identity(u"cs_id"_s)
        .attach(*ds, db);
    ds->onNewRecord = [purpose, number](Data::TRowSet& rs) {
        rs.setValue(u"cs_TIP_TOVR"_s, purpose);
        rs.setValue(u"cs_N_FIELD"_s, number);
    };
    ds->beforePost = [](Data::TRowSet& rs) { requireText(rs, u"cs_VALUE"_s, u"Не задано значение"_s); };
    ds->open();
    BookFields(*ds)
        .hide(u"cs_id"_s)
        .hide(u"cs_TIP_TOVR"_s)
        .hide(u"cs_N_FIELD"_s)
        .label(u"cs_VALUE"_s, attribute);
    return ds;
}

} // namespace

TedAddSpr::TedAddSpr(Data::Database& db, const QString& purpose, int number, const QString& attribute,
                     QWidget* parent)
    : TBookEditor(PurposeAttributes::valuesCaption(purpose, attribute),
                  values(db, purpose, number, attribute), parent)
{
}

} // namespace Tarvo::Catalog
