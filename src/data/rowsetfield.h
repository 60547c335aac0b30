#pragma once

#include <QString>

namespace Tarvo::Data {

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
    QString displayFormat; // Money: decimals as a number ("2"); DateTime: a QDateTime format
    bool readOnly = false;

    QString caption() const { return displayLabel.isEmpty() ? name : displayLabel; }
};

} // namespace Tarvo::Data
