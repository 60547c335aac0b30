#include "data/engine/databaseerror.h"

namespace Tarvo::Data {

DatabaseError::DatabaseError(QString message, QString engineCode, QList<ProviderError> errors, QString sql,
                             QString engineMessage)
    : Exception(message.trimmed()),
      m_engineMessage(engineMessage.isEmpty() ? std::move(message) : std::move(engineMessage)),
      m_engineCode(std::move(engineCode)), m_errors(std::move(errors)), m_sql(std::move(sql))
{
}

} // namespace Tarvo::Data
