#pragma once

#include "data/engine/databaseerror.h"

#include <QList>
#include <QString>

namespace Tarvo::Data {

class Database;

// What a refusal of the server means to the editors.
enum class ServerErrorKind
{
    Unclassified = 1,
    PrimaryKey = 2,
    UniqueKey = 3,
    Reference = 4,
    NotNull = 5,
};

struct ServerErrorInfo
{
    ServerErrorKind kind = ServerErrorKind::Unclassified;
    int nativeError = 0;
    QString message; // in the classifier's wording
    QString table;
    QString column;
    QString constraint;
    QString userText; // what a user reads (in Russian)
};

// A classified refusal of the server, raised for callers that compare the kind or the names.
class EServerError : public Exception
{
public:
    explicit EServerError(const ServerErrorInfo& info)
        : Exception(info.userText.isEmpty() ? info.message : info.userText), m_info(info)
    {
    }

    int nativeError() const { return m_info.nativeError; }
    ServerErrorKind kind() const { return m_info.kind; }
    const QString& table() const { return m_info.table; }
    const QString& column() const { return m_info.column; }
    const QString& constraint() const { return m_info.constraint; }
    const ServerErrorInfo& info() const { return m_info; }

private:
    ServerErrorInfo m_info;
};

// Reads the mapped error list of a failed statement. Only the native number and the
// message text are consulted, so the rules hold for any source of the list.
namespace ServerError {

// One error on its own.
ServerErrorInfo classify(const ProviderError& error);
// The first error whose kind is not Unclassified decides.
ServerErrorInfo classify(const QList<ProviderError>& errors);
ServerErrorInfo classify(const Database& db);

// Throws the first error's description as a DatabaseError when any error is classified.
void raiseAsDatabaseError(const QList<ProviderError>& errors);
void raiseAsDatabaseError(const Database& db);
// Throws EServerError for the first classified error; returns when none is classified.
void raise(const QList<ProviderError>& errors);
void raise(const Database& db);

// The texts between single quotes, in order of appearance.
QStringList quotedTokens(const QString& message);

} // namespace ServerError

} // namespace Tarvo::Data
