#pragma once

#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "widgets/tdatagrid.h"

#include <QTableView>

namespace Tarvo::Catalog {

// Captions and hidden columns of a book's row set, set in one chain.
class BookFields
{
public:
    explicit BookFields(Data::TRowSet& rowSet) : m_rowSet(rowSet) {}
    BookFields& label(const QString& field, const QString& caption)
    {
        const int i = m_rowSet.fieldIndex(field);
        if (i >= 0)
            m_rowSet.field(i).displayLabel = caption;
        return *this;
    }
    // Hidden columns carry the caption "-".
    BookFields& hide(const QString& field) { return label(field, QStringLiteral("-")); }
    static void applyHidden(const Data::TRowSet& rowSet, QTableView* grid)
    {
        for (int i = 0; i < rowSet.fieldCount(); ++i)
            grid->setColumnHidden(i, rowSet.field(i).displayLabel == QLatin1String("-"));
    }

private:
    Data::TRowSet& m_rowSet;
};

// A book's required text field.
inline void requireText(Data::TRowSet& rs, const QString& field, const QString& message)
{
    const QString t = rs.string(field).trimmed();
    if (t.isEmpty())
        throw Exception(message);
    rs.setValue(field, t);
}

} // namespace Tarvo::Catalog
