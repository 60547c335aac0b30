#include "data/rowset/rowsethelpers.h"

#include "data/rowset/trowset.h"
#include "core/exception.h"

namespace Tarvo::Data::RowSetHelpers {

void discardRows(TRowSet& dataSet, const QString& filter)
{
    auto clone = dataSet.clone();
    clone->setFilter(filter);
    clone->first();
    while (!clone->isEmpty()) {
        clone->first();
        clone->discardCurrent();
    }
}

void acceptDataSetChanges(TRowSet& dataSet)
{
    dataSet.clone()->acceptAll();
}

void appendRecordsetRows(TRowSet& source, TRowSet& target, const QStringList& masterKeyFields,
                         TRowSet* master, const QString& sourceLinkField)
{
    // From the current row to the end: a source already walked past its end has nothing left,
    // while one standing on its last row (after last()) still gives that row.
    if (source.isEmpty() || source.afterLast())
        return;
    while (true) {
        if (master) {
            const QVariant link = source.value(sourceLinkField);
            if (!master->locate(masterKeyFields, {link}))
                throw Exception(QStringLiteral("Внутренняя ошибка: не найдена главная запись %1 = %2")
                                    .arg(masterKeyFields.join(QLatin1Char(';')), link.toString()));
        }
        copyRecordsetRow(source, target);
        source.next();
        if (source.afterLast())
            break;
    }
}

void copyRecordsetRow(const TRowSet& source, TRowSet& target)
{
    target.insert();
    try {
        for (int i = 0; i < source.fieldCount(); ++i) {
            const int t = target.fieldIndex(source.field(i).name);
            // Read-only fields are filled too (they are closed to the user, not to loading).
            if (t >= 0 && !target.field(t).isCalculated())
                target.forceValue(t, source.value(i));
        }
        target.post();
    } catch (...) {
        target.cancel();
        throw;
    }
}

} // namespace Tarvo::Data::RowSetHelpers
