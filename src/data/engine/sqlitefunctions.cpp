#include "data/engine/sqlitefunctions.h"

#include <sqlite3.h>

namespace Tarvo::Data {

namespace {

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return QString::fromUtf8(p, sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

void upperFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toUpper());
}

void lowerFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toLower());
}

// like(pattern, text[, escape]): SQLite passes the pattern first.
void likeFn(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    QChar escape;
    if (argc == 3) {
        const QString e = argText(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    sqlite3_result_int(ctx, likeMatch(argText(argv[1]), argText(argv[0]), escape) ? 1 : 0);
}

} // namespace

bool likeMatch(const QString& textIn, const QString& patternIn, QChar escape)
{
    const QString text = textIn.toCaseFolded();
    const QString pattern = patternIn.toCaseFolded();
    // Iterative matcher with one backtrack point for the last '%'.
    int t = 0, p = 0, starP = -1, starT = 0;
    const int tn = text.size(), pn = pattern.size();
    while (t < tn) {
        if (p < pn) {
            QChar pc = pattern[p];
            if (!escape.isNull() && pc == escape.toCaseFolded() && p + 1 < pn) {
                if (text[t] == pattern[p + 1]) {
                    t++;
                    p += 2;
                    continue;
                }
            } else if (pc == QLatin1Char('%')) {
                starP = p++;
                starT = t;
                continue;
            } else if (pc == QLatin1Char('_') || pc == text[t]) {
                t++;
                p++;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP + 1;
        t = ++starT;
    }
    while (p < pn && pattern[p] == QLatin1Char('%'))
        ++p;
    return p == pn;
}

namespace {

// refuse(text): fails the statement with the text as a trigger's RAISE does. RAISE takes only a
// literal; the database's own rules name the rows they refuse.
void refuseFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const QByteArray u = argText(argv[0]).toUtf8();
    sqlite3_result_error(ctx, u.constData(), int(u.size()));
    sqlite3_result_error_code(ctx, SQLITE_CONSTRAINT_TRIGGER);
}

} // namespace

void registerSqliteFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "upper", 1, flags, nullptr, upperFn, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "lower", 1, flags, nullptr, lowerFn, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFn, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFn, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "refuse", 1, SQLITE_UTF8, nullptr, refuseFn, nullptr, nullptr, nullptr);
    sqlite3_extended_result_codes(db, 1);
}

} // namespace Tarvo::Data
