#pragma once

#include <QString>
#include <QVariant>
#include <functional>

namespace Tarvo::Data {

class TRowSet;

enum class FieldType
{
    Integer,
    String,
    Money,
    Float,
    Boolean,
    DateTime,
    Bytes
};

// A column of a row set.
struct RowSetField
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0;
    QString displayLabel;  // caption for grids; the name when empty
    QString displayFormat; // Money: decimals as a number ("2"); DateTime: a QDateTime format;
                           // Boolean: "true text;false text" (else "Да"/"Нет")
    bool readOnly = false;
    // Calculated and lookup fields: the value comes from the row's other fields. It is kept in the
    // row (so filters, sorting and grids read it like any other) and worked out again when rows are
    // loaded or posted, and on recalculate().
    std::function<QVariant(const TRowSet&)> calculate;
    bool isCalculated() const { return bool(calculate); }

    QString caption() const { return displayLabel.isEmpty() ? name : displayLabel; }
};

} // namespace Tarvo::Data
