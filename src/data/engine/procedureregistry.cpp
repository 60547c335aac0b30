#include "data/engine/procedureregistry.h"

#include "core/exception.h"

namespace Tarvo::Data {

ProcedureRegistry& ProcedureRegistry::instance()
{
    static ProcedureRegistry registry;
    return registry;
}

void ProcedureRegistry::add(const QString& name, Procedure procedure)
{
    m_procedures.insert(name.toLower(), std::move(procedure));
}

bool ProcedureRegistry::contains(const QString& name) const
{
    return m_procedures.contains(name.toLower());
}

ProcedureResult ProcedureRegistry::call(Database& db, const QString& name, const QVariantMap& params) const
{
    auto it = m_procedures.constFind(name.toLower());
    if (it == m_procedures.constEnd())
        throw Exception(QStringLiteral("Процедура %1 не найдена").arg(name));
    // Parameter names compare without regard to case, as on the server.
    QVariantMap normalized;
    for (auto p = params.cbegin(); p != params.cend(); ++p) {
        QString key = p.key();
        if (key.startsWith(QLatin1Char('@')) || key.startsWith(QLatin1Char(':')))
            key.remove(0, 1);
        normalized.insert(key.toLower(), p.value());
    }
    return it.value()(db, normalized);
}

} // namespace Tarvo::Data
