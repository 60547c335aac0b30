#pragma once

#include <QString>

struct sqlite3;

namespace Tarvo::Data {

// Unicode-aware upper, lower and case-insensitive LIKE for SQLite, whose
// built-ins fold only ASCII (Cyrillic search must ignore case); and refuse(text), with which
// the database's own rules fail a statement with a text they compose.
void registerSqliteFunctions(sqlite3* db);
// SQL LIKE with % and _ wildcards and an optional escape character, ignoring case.
bool likeMatch(const QString& text, const QString& pattern, QChar escape = QChar());

} // namespace Tarvo::Data
