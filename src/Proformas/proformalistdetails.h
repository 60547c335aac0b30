#pragma once

#include "data/engine/money.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Proformas {

// What the register shows below the current proforma.
namespace ProformaListDetails {

// Its confirmed lines (:pf_id).
QString products();
// The payments linked to it (:pf_id).
QString payments();
// The requests whose quantities lie on its lines, per customer and product (:pf_id).
QString buyers();

struct Instalment
{
    QDateTime date;
    Money sum;
    Money covered;
};
// The payment plan: each instalment covered by the payments up to its day less the earlier
// instalments, within nothing and its own sum.
QList<Instalment> paymentPlan(Data::Database& db, qint64 pfId);

} // namespace ProformaListDetails

} // namespace Tarvo::Proformas
