#pragma once

#include "data/rowset/rowsetfield.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace Tarvo::Data {
class TRowSet;
}

namespace Tarvo::Reports {

// The rows a report page prints: a dataset's fields and its rows in their order.
class ReportTable
{
public:
    struct Field
    {
        QString name;
        QString caption;
        Data::FieldType type = Data::FieldType::String;
        QString format; // a Money field's decimals, as the grids show it
        double width = 25; // millimetres
    };
    virtual ~ReportTable() = default;
    virtual const QList<Field>& fields() const = 0;
    virtual int rowCount() const = 0;
    virtual QVariant value(int row, int field) const = 0;
    // -1 when absent; case-insensitive, as the engines name columns.
    int fieldIndex(const QString& name) const;
};

// A row set as a report table: every field, or the given ones; rows in the row set's order or
// through `order` (row set rows).
class RowSetTable : public ReportTable
{
public:
    RowSetTable(std::unique_ptr<Data::TRowSet> owned);
    RowSetTable(const Data::TRowSet& rows, QList<Field> fields, QList<int> fieldColumns, std::vector<int> order);
    ~RowSetTable() override;

    const QList<Field>& fields() const override { return m_fields; }
    int rowCount() const override;
    QVariant value(int row, int field) const override;
    const Data::TRowSet& rowSet() const { return *m_rows; }

private:
    std::unique_ptr<Data::TRowSet> m_owned;
    const Data::TRowSet* m_rows;
    QList<Field> m_fields;
    QList<int> m_columns;
    std::vector<int> m_order;
};

} // namespace Tarvo::Reports
