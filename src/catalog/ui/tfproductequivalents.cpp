#include "catalog/ui/tfproductequivalents.h"

#include "catalog/books/booktable.h"
#include "catalog/ui/bookfields.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString TfProductEquivalents::InUse = u"В группе эквивалентов есть товары\r\nУдаление невозможно."_s;

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> equivalents(Data::Database& db)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    ds->setSql(
        u"select e.pe_id, e.pe_identity, e.pe_doc, (select count(*) from crm_product p "
        "where p.PR_PE_ID = e.pe_id) as pe_products from crm_product_equivalent e order by e.pe_identity"_s);
    BookTable(u"crm_product_equivalent"_s, {u"pe_id"_s}, {u"pe_id"_s, u"pe_identity"_s, u"pe_doc"_s})
        .identity(u"pe_id"_s)
        .attach(*ds, db);
    // Products would lose their group silently (the reference sets null): refuse instead.
    auto write = ds->onInternalDelete;
    ds->onInternalDelete = [write, &db](Data::TUpdatedADODataSet& d) {
        if (db.scalar(u"select count(*) from crm_product where PR_PE_ID = ?"_s, {d.originalValue(u"pe_id"_s)})
                .toLongLong() > 0)
            throw Exception(TfProductEquivalents::InUse);
        write(d);
    };
    ds->beforePost = [](Data::TRowSet& rs) {
        requireText(rs, u"pe_identity"_s, u"Не задано название группы эквивалентов"_s);
    };
    ds->open();
    const int products = ds->fieldIndex(u"pe_products"_s);
    if (products >= 0)
        ds->field(products).readOnly = true;
    BookFields(*ds)
        .hide(u"pe_id"_s)
        .label(u"pe_identity"_s, u"Группа эквивалентов"_s)
        .label(u"pe_doc"_s, u"Описание"_s)
        .label(u"pe_products"_s, u"Товаров"_s);
    return ds;
}

} // namespace

TfProductEquivalents::TfProductEquivalents(Data::Database& db, QWidget* parent)
    : TBookEditor(u"Группы эквивалентов"_s, equivalents(db), parent)
{
}

} // namespace Tarvo::Catalog
