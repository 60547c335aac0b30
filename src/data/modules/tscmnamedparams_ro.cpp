#include "data/modules/tscmnamedparams_ro.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

namespace Tarvo::Data {

QString TSCMNamedParams_RO::value(const QString& name) const
{
    return m_db
        .scalar(QStringLiteral("select value_nastr from scm_parametrs where INSIDE_NAME_NASTR=?"), {name})
        .toString()
        .trimmed();
}

QString TSCMNamedParams_RO::value(const QString& name, const QString& fallback) const
{
    const QString v = value(name);
    return v.isEmpty() ? fallback : v;
}

std::optional<QString> TSCMNamedParams_RO::lookup(const QString& name) const
{
    for (const auto& [n, v] : m_cache)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    std::optional<QString> found = resolve(name);
    if (found)
        m_cache.append({name, *found});
    return found;
}

std::optional<QString> TSCMNamedParams_RO::resolve(const QString& name) const
{
    // The server the program came from compared names without case.
    Query q(m_db, QStringLiteral("select value_nastr from scm_parametrs where upper(INSIDE_NAME_NASTR) = upper(?)"));
    q.bindAt(0, name, ParamType::String);
    q.exec();
    if (!q.next())
        return std::nullopt;
    return q.string(0).trimmed();
}

} // namespace Tarvo::Data
