#include "data/engine/databaseerror.h"

namespace Tarvo::Data {

DatabaseError::DatabaseError(QString engineMessage, QString engineCode, QList<ProviderError> errors, QString sql)
    : Exception(engineMessage.trimmed()), m_engineMessage(std::move(engineMessage)),
      m_engineCode(std::move(engineCode)), m_errors(std::move(errors)), m_sql(std::move(sql))
{
}

} // namespace Tarvo::Data
