#include "catalog/currency/currencyreferences.h"

#include "data/engine/database.h"

#include <QList>
#include <QPair>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

// Table and column of every currency code kept in the database.
const QList<QPair<QString, QString>> Uses{
    {u"cotirval"_s, u"codvalut"_s},
    {u"crm_ourprice"_s, u"op_codval"_s},
    {u"scm_artcmap"_s, u"sam_codval"_s},
    {u"SCL_ARTC"_s, u"COD_VALT"_s},
    {u"_partner"_s, u"VALUTA"_s},
    {u"scm_business_offer"_s, u"bof_cod_valut"_s},
    {u"scm_supplier_order"_s, u"suo_cod_valut"_s},
    {u"scm_Proforma"_s, u"pf_cod_valut"_s},
    {u"scm_payments"_s, u"spm_cod_valut"_s},
    {u"scm_payments"_s, u"spm_cod_valut2"_s},
    {u"SCL_PLAT"_s, u"COD_VALT"_s},
};

} // namespace

bool CurrencyReferences::inUse(Data::Database& db, const QString& code)
{
    QStringList tests;
    for (const auto& [table, column] : Uses)
        tests << u"exists(select 1 from %1 where %2 = ?)"_s.arg(table, column);
    // Another currency converted through this one.
    tests << u"exists(select 1 from VALUTCOD where RELCOD = ? and CODVALUT <> RELCOD)"_s;
    const QVariantList params(tests.size(), QVariant(code));
    return db.scalar(u"select case when "_s + tests.join(u" or "_s) + u" then 1 else 0 end"_s, params).toInt() != 0;
}

} // namespace Tarvo::Catalog
