#pragma once

#include "data/rowset/rowsetfield.h"
#include "data/rowset/rowvalues.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace Tarvo::Data {

// A parsed filter expression of a row set: comparisons of a field with a literal
// (=, <>, <, >, <=, >=, like with * % _ ? wildcards, is [not] null), joined by and/or/not
// with parentheses. Literals: numbers, 'quoted strings' ('' for a quote), #dates#, null.
// Strings compare without regard to case.
class TRowSetFilter
{
public:
    // Throws Tarvo::Exception for a malformed expression or an unknown field.
    TRowSetFilter(const QString& expression, const QList<RowSetField>& fields);
    ~TRowSetFilter();
    TRowSetFilter(TRowSetFilter&&) noexcept;

    bool matches(const RowValues& values) const;

    struct Node;

private:
    std::unique_ptr<Node> m_root;
};

} // namespace Tarvo::Data
