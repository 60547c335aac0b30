#include "catalog/partners/partnerlist.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString PartnerList::SettingsKey = u"Library_Contragents_G_Contragents"_s;

QString PartnerList::letter(Kind kind)
{
    switch (kind) {
    case Kind::Suppliers:
        return u"Т"_s;
    case Kind::Buyers:
        return u"К"_s;
    case Kind::Ours:
        return u"Я"_s;
    }
    return {};
}

QString PartnerList::sql(const QString& orderBy)
{
    return u"select * from (select pt.*, scm.par_ID from _partner pt, scm_partner scm "
           "where pt.N_user=scm.par_nuser and pt.my_organiz=?) data order by "_s +
           (orderBy.isEmpty() ? u"NAME_USER"_s : orderBy);
}

} // namespace Tarvo::Catalog
