#include "catalog/ui/tedphrases.h"

#include "catalog/books/booktable.h"
#include "catalog/ui/bookfields.h"
#include "data/modules/tupdatedadodataset.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> phrases(Data::Database& db)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    ds->setSql(QStringList{u"select sph_id, sph_catalog_id, sph_phrase from scm_phrases"_s,
                           u"where sph_catalog_id=1 order by sph_phrase"_s});
    BookTable(u"scm_phrases"_s, {u"sph_id"_s}, {u"sph_id"_s, u"sph_catalog_id"_s, u"sph_phrase"_s})
        .identity(u"sph_id"_s)
        .attach(*ds, db);
    ds->onNewRecord = [](Data::TRowSet& rs) { rs.setValue(u"sph_catalog_id"_s, 1); };
    ds->beforePost = [](Data::TRowSet& rs) { requireText(rs, u"sph_phrase"_s, u"Не задан текст этапа"_s); };
    ds->open();
    BookFields(*ds).hide(u"sph_id"_s).hide(u"sph_catalog_id"_s).label(u"sph_phrase"_s, u"Этап"_s);
    return ds;
}

} // namespace

TedPhrases::TedPhrases(Data::Database& db, QWidget* parent)
    : TBookEditor(u"Справочник этапов"_s, phrases(db), parent)
{
}

} // namespace Tarvo::Catalog
