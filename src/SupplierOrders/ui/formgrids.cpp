#include "SupplierOrders/ui/formgrids.h"

#include "core/exception.h"
#include "data/modules/tdatatablefieldmap.h"
#include "data/rowset/numberformat.h"
#include "data/rowset/trowset.h"

namespace Tarvo::SupplierOrders {

void FormGrids::define(Data::TRowSet& rowSet, const QList<FormGridField>& fields, const QString& dictionaryTable)
{
    for (const FormGridField& f : fields) {
        rowSet.addField(f.name, Data::FieldType(f.type));
        Data::RowSetField& field = rowSet.field(rowSet.fieldIndex(f.name));
        field.displayLabel = f.title;
        if (field.type == Data::FieldType::Money &&
            (f.name.contains(QLatin1String("amount")) || f.name == QLatin1String("sam_minpartia")))
            field.displayFormat = Data::NumberFormat::Quantity;
    }
    try {
        if (!dictionaryTable.isEmpty())
            Data::TDataTableFieldMap::instance().applyCaptions(dictionaryTable, rowSet);
    } catch (const Exception&) {
        // No dictionary: the windows' own titles.
    }
}

Widgets::TDataGrid* FormGrids::make(QWidget* parent, const QString& objectName, const QString& accessibleName,
                                    Data::TRowSet& rowSet, const QStringList& shown, const QString& columnsSection)
{
    auto* grid = new Widgets::TDataGrid(parent);
    grid->setObjectName(objectName);
    grid->setAccessibleName(accessibleName);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setRowSet(&rowSet);
    QList<Widgets::TDataGrid::Column> columns;
    for (const QString& name : shown)
        columns << Widgets::TDataGrid::Column{name, rowSet.field(rowSet.fieldIndex(name)).caption(), 0};
    grid->setColumns(columns);
    grid->setColumnsSection(columnsSection);
    return grid;
}

} // namespace Tarvo::SupplierOrders
