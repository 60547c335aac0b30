#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace Tarvo::Data {

class Database;

// Reads one named program parameter of scm_parametrs. Documents and extension modules
// ask for single values by name and never write them; the editable set is TTDMParams.
class TSCMNamedParams_RO
{
public:
    explicit TSCMNamedParams_RO(Database& db) : m_db(db) {}
    virtual ~TSCMNamedParams_RO() = default;

    // The stored value, trimmed; empty when the row is absent or its value is null.
    QString value(const QString& name) const;
    // As value(), but `fallback` when the parameter is absent or empty.
    QString value(const QString& name, const QString& fallback) const;

    // The value of a parameter that exists (a null value is empty); nullopt when there is no row.
    // Names compare without case. Each name found is read once for the life of this object.
    std::optional<QString> lookup(const QString& name) const;

protected:
    // The resolver behind lookup(): the parameter table; planning and other callers add theirs.
    virtual std::optional<QString> resolve(const QString& name) const;
    Database& database() const { return m_db; }

private:
    Database& m_db;
    mutable QList<std::pair<QString, QString>> m_cache;
};

} // namespace Tarvo::Data
