#include "SupplierOrders/supplierorderwarehouse.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tscmnamedparams_ro.h"

namespace Tarvo::SupplierOrders {

namespace {
QVariant existingWarehouse(Data::Database& db, const QVariant& id)
{
    bool ok = false;
    const int n = id.toString().trimmed().toInt(&ok);
    if (!ok)
        return {};
    const QVariant found = db.scalar(QStringLiteral("select ID_SCLAD from sclad_r where ID_SCLAD=?"), {n});
    return found.isNull() ? QVariant() : QVariant(n);
}
} // namespace

QVariant SupplierOrderWarehouse::defaultFor(Data::Database& db, int supplierId)
{
    const auto read = [&]() -> QVariant {
        const Data::TSCMNamedParams_RO params(db);
        if (params.value(QStringLiteral("USE_DOPREGN_SCL")) == QLatin1String("False"))
            return existingWarehouse(db, params.value(QStringLiteral("id_sclad")));
        return existingWarehouse(
            db, db.scalar(QStringLiteral("select regis_user from _partner join scm_partner on par_nuser=n_user "
                                         "where par_id=?"),
                          {supplierId}));
    };
    // Inside a transaction a failed statement aborts it on PostgreSQL: the caller must see it.
    if (db.inTransaction())
        return read();
    try {
        return read();
    } catch (const Exception&) {
        return {};
    }
}

} // namespace Tarvo::SupplierOrders
