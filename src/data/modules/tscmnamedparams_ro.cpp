#include "data/modules/tscmnamedparams_ro.h"

#include "data/engine/database.h"

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

} // namespace Tarvo::Data
