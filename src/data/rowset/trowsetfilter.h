#pragma once

#include "data/rowset/rowsetfield.h"
#include "data/rowset/rowvalues.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace Tarvo::Data {

// A parsed filter expression of a row set: comparisons of a field with a literal
// (=, <>, <, >, <=, >=, like, is [not] null), joined by and/or/not with parentheses. Literals:
// numbers, 'quoted strings' ('' for a quote), #dates#, null. Strings compare without regard to
// case; numbers as what they are (floats as doubles). In like patterns only * and % are
// wildcards; [*], [%] and [[] stand for the character itself.
class TRowSetFilter
{
public:
    // Throws Tarvo::Exception for a malformed expression or an unknown field.
    TRowSetFilter(const QString& expression, const QList<RowSetField>& fields);
    ~TRowSetFilter();
    TRowSetFilter(TRowSetFilter&&) noexcept;

    bool matches(const RowValues& values) const;

    // Pieces for building a filter from what a user typed, matched literally.
    static QString quoted(const QString& text);
    // The text with its wildcard characters made literal, for inside a like pattern.
    static QString likeLiteral(const QString& text);
    // "[field] like '<text>*'": the values that start with the text, whatever characters it has.
    static QString startsWith(const QString& field, const QString& text);

    struct Node;

private:
    std::unique_ptr<Node> m_root;
};

} // namespace Tarvo::Data
