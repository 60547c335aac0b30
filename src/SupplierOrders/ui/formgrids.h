#pragma once

#include "widgets/tdatagrid.h"

#include <QString>
#include <QStringList>

namespace Tarvo::Data {
class TRowSet;
}

namespace Tarvo::SupplierOrders {

// The small in-memory lists of the forming windows: fields with their titles, the caption
// dictionary's titles where it has the column, quantities shown with the decimals they have.
struct FormGridField
{
    QString name;
    int type; // Data::FieldType
    QString title;
};

class FormGrids
{
public:
    // Adds the fields; `dictionaryTable` names the caption dictionary's table whose titles win.
    static void define(Data::TRowSet& rowSet, const QList<FormGridField>& fields, const QString& dictionaryTable);
    // A read-only grid of the row set showing `shown` with the fields' titles.
    static Widgets::TDataGrid* make(QWidget* parent, const QString& objectName, const QString& accessibleName,
                                    Data::TRowSet& rowSet, const QStringList& shown, const QString& columnsSection);
};

} // namespace Tarvo::SupplierOrders
