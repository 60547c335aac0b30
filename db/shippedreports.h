#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace Tarvo::Data {

struct ShippedReport
{
    QString file; // in share/tarvo/reports/
    QString name;
    int place;
    QByteArray data;
};

// The templates seeded into the folder "Реестры" with their menu items.
const QList<ShippedReport>& shippedReports();

} // namespace Tarvo::Data
