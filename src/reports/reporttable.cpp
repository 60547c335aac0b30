#include "reports/reporttable.h"

#include "catalog/currency/moneyformats.h"
#include "data/rowset/trowset.h"

namespace Tarvo::Reports {

int ReportTable::fieldIndex(const QString& name) const
{
    const QList<Field>& f = fields();
    for (int i = 0; i < f.size(); ++i)
        if (f[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

RowSetTable::RowSetTable(std::unique_ptr<Data::TRowSet> owned) : m_owned(std::move(owned)), m_rows(m_owned.get())
{
    for (int i = 0; i < m_rows->fieldCount(); ++i) {
        const Data::RowSetField& f = m_rows->field(i);
        Field out{f.name, f.displayLabel.isEmpty() ? f.name : f.displayLabel, f.type, f.displayFormat};
        if (f.type == Data::FieldType::Money && out.format.isEmpty())
            out.format = Catalog::MoneyFormats::forField(f.name);
        m_fields << out;
        m_columns << i;
    }
}

RowSetTable::RowSetTable(const Data::TRowSet& rows, QList<Field> fields, QList<int> fieldColumns,
                         std::vector<int> order)
    : m_rows(&rows), m_fields(std::move(fields)), m_columns(std::move(fieldColumns)), m_order(std::move(order))
{
}

RowSetTable::~RowSetTable() = default;

int RowSetTable::rowCount() const
{
    return m_order.empty() ? m_rows->recordCount() : int(m_order.size());
}

QVariant RowSetTable::value(int row, int field) const
{
    const int at = m_order.empty() ? row : m_order[size_t(row)];
    const Data::RowSetRow* r = m_rows->rowAt(at);
    if (!r || field < 0 || field >= m_columns.size())
        return {};
    return r->values.at(m_columns[field]);
}

} // namespace Tarvo::Reports
