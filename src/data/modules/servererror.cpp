#include "data/modules/servererror.h"

#include "data/engine/database.h"
#include "data/engine/dialect.h"

namespace Tarvo::Data::ServerError {

namespace {

// Takes the 1-based tokens named by `mask`, in order, into the three output places.
QStringList takeTokens(const QStringList& tokens, std::initializer_list<int> mask)
{
    QStringList out;
    for (int n : mask)
        out << tokens.value(n - 1);
    return out;
}

} // namespace

QStringList quotedTokens(const QString& message)
{
    QStringList tokens;
    qsizetype i = 0;
    while (true) {
        const qsizetype open = message.indexOf(QLatin1Char('\''), i);
        if (open < 0)
            break;
        const qsizetype close = message.indexOf(QLatin1Char('\''), open + 1);
        if (close < 0)
            break;
        tokens << message.mid(open + 1, close - open - 1);
        i = close + 1;
    }
    return tokens;
}

ServerErrorInfo classify(const ProviderError& error)
{
    ServerErrorInfo info;
    info.nativeError = error.nativeError;
    info.message = error.message;
    const QString& text = error.message;
    const QStringList tokens = quotedTokens(text);

    switch (error.nativeError) {
    case NativeError::NotNull: {
        const QStringList n = takeTokens(tokens, {1, 2});
        info.kind = ServerErrorKind::NotNull;
        info.column = n[0];
        info.table = n[1];
        break;
    }
    case NativeError::Reference: {
        struct Phrase
        {
            const char* text;
            bool column;
        };
        static const Phrase phrases[] = {{"TABLE REFERENCE", false},
                                         {"COLUMN REFERENCE", true},
                                         {"TABLE FOREIGN KEY", false},
                                         {"COLUMN FOREIGN KEY", true}};
        for (const Phrase& p : phrases) {
            if (!text.contains(QLatin1String(p.text)))
                continue;
            // The second token is the database's name.
            const QStringList n = p.column ? takeTokens(tokens, {1, 3, 4}) : takeTokens(tokens, {1, 3});
            info.kind = ServerErrorKind::Reference;
            info.constraint = n[0];
            info.table = n[1];
            if (p.column)
                info.column = n[2];
            break;
        }
        break;
    }
    case NativeError::UniqueIndex: {
        const QStringList n = takeTokens(tokens, {1, 2});
        info.kind = ServerErrorKind::UniqueKey;
        info.table = n[0];
        info.constraint = n[1];
        break;
    }
    case NativeError::Constraint: {
        ServerErrorKind kind = ServerErrorKind::Unclassified;
        if (text.contains(QLatin1String("PRIMARY KEY")))
            kind = ServerErrorKind::PrimaryKey;
        else if (text.contains(QLatin1String("UNIQUE KEY")))
            kind = ServerErrorKind::UniqueKey;
        if (kind != ServerErrorKind::Unclassified) {
            const QStringList n = takeTokens(tokens, {1, 2});
            info.kind = kind;
            info.constraint = n[0];
            info.table = n[1];
        }
        break;
    }
    default:
        break;
    }
    // The names as the message gives them where the list does not carry them.
    ProviderError named = error;
    for (auto [known, read] : {std::pair{&named.table, &info.table}, std::pair{&named.column, &info.column},
                               std::pair{&named.constraint, &info.constraint}})
        if (known->isEmpty())
            *known = *read;
    info.userText = ErrorText::userText(named);
    return info;
}

ServerErrorInfo classify(const QList<ProviderError>& errors)
{
    for (const ProviderError& e : errors) {
        ServerErrorInfo info = classify(e);
        if (info.kind != ServerErrorKind::Unclassified)
            return info;
    }
    return {};
}

ServerErrorInfo classify(const Database& db)
{
    return classify(db.lastErrors());
}

void raiseAsDatabaseError(const QList<ProviderError>& errors)
{
    if (classify(errors).kind == ServerErrorKind::Unclassified)
        return;
    const ProviderError& first = errors.first();
    const ServerErrorInfo info = classify(first);
    throw DatabaseError(info.kind == ServerErrorKind::Unclassified ? first.message : info.userText,
                        QString::number(first.nativeError), errors, {}, first.message);
}

void raiseAsDatabaseError(const Database& db)
{
    raiseAsDatabaseError(db.lastErrors());
}

void raise(const QList<ProviderError>& errors)
{
    const ServerErrorInfo info = classify(errors);
    if (info.kind != ServerErrorKind::Unclassified)
        throw EServerError(info);
}

void raise(const Database& db)
{
    raise(db.lastErrors());
}

} // namespace Tarvo::Data::ServerError
