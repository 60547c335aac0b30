#pragma once

#include <QString>
#include <QVariantList>
#include <functional>

namespace Tarvo::Data {

class Database;
class Query;

// The writes of a document's rows that must find the row they name. An UPDATE or DELETE that
// changes no row means another workstation deleted the row meanwhile: that is a refusal in the
// document's own words (a Tarvo::Exception), never a save.
class RowCountCheck
{
public:
    // Works the refusal's text out only when it is needed (it may look at the database).
    using Refusal = std::function<QString()>;

    // Runs the statement with its positional values; throws the refusal when it changed no row.
    // Returns the number of rows it changed.
    static int exec(Database& db, const QString& sql, const QVariantList& params, const QString& refusal);
    static int exec(Database& db, const QString& sql, const QVariantList& params, const Refusal& refusal);
    // The same for a statement the caller bound and ran itself.
    static int require(const Query& done, const QString& refusal);
    static int require(const Query& done, const Refusal& refusal);
};

} // namespace Tarvo::Data
