#include "Proformas/proformalist.h"

#include "Proformas/proformaliststatement.h"
#include "core/exception.h"
#include "data/engine/database.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Proformas {

ProformaList::ProformaList(Data::Database& db) : KeyRangeList(db, u"pf_id"_s)
{
    onInternalPost = [](TUpdatedADODataSet&) {
        throw Exception(u"Счет поставщика изменяется в окне счета"_s);
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Счет поставщика удаляется командой \"Удалить\""_s);
    };
}

Data::TQueryNodesPtr ProformaList::listStatement(const Registers::KeyRange& range) const
{
    return ProformaListStatement::build(database()->dialect(), filters(), range);
}

Data::TQueryNodesPtr ProformaList::batchEndStatement(const QVariant& after, int proformas) const
{
    return ProformaListStatement::buildBatchEnd(filters(), after, proformas);
}

void ProformaList::prepareFields()
{
    // SQLite gives the sums no declared type: both engines show them as amounts.
    static const QStringList sums{u"soa_sum"_s, u"spp_sum"_s, u"pf_sum"_s, u"pf_surcharge"_s};
    for (int i = 0; i < fieldCount(); ++i) {
        Data::RowSetField& f = field(i);
        f.readOnly = true;
        if (sums.contains(f.name, Qt::CaseInsensitive))
            f.type = Data::FieldType::Money;
    }
}

} // namespace Tarvo::Proformas
