#pragma once

#include <QString>
#include <QStringList>

namespace Tarvo::Data {

class TRowSet;

// Helpers of the document modules over their in-memory row sets.
namespace RowSetHelpers {

// Removes the rows matching the filter so that no deletion is left pending for them.
void discardRows(TRowSet& dataSet, const QString& filter);
// Clears every pending status of the row set's rows (nothing is written anywhere).
void acceptDataSetChanges(TRowSet& dataSet);
// Appends the source rows from the current one to the end. With a master, each row first
// moves the master to the row whose key fields equal the row's link field; a missing master
// row stops the load with an internal error.
void appendRecordsetRows(TRowSet& source, TRowSet& target, const QStringList& masterKeyFields,
                         TRowSet* master, const QString& sourceLinkField);
// Inserts a row into the target with the values of the source's columns of the same names, and posts it.
void copyRecordsetRow(const TRowSet& source, TRowSet& target);

} // namespace RowSetHelpers

} // namespace Tarvo::Data
