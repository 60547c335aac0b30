#pragma once

#include <QString>

namespace Tarvo::Data {

class Database;

// Reads one named program parameter of scm_parametrs. Documents and extension modules
// ask for single values by name and never write them; the editable set is TTDMParams.
class TSCMNamedParams_RO
{
public:
    explicit TSCMNamedParams_RO(Database& db) : m_db(db) {}

    // The stored value, trimmed; empty when the row is absent or its value is null.
    QString value(const QString& name) const;
    // As value(), but `fallback` when the parameter is absent or empty.
    QString value(const QString& name, const QString& fallback) const;

private:
    Database& m_db;
};

} // namespace Tarvo::Data
