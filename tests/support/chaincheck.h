#pragma once

#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Test {

// The rules the supplier side of the document chain keeps after every write, read from the
// tables: what a test that moves quantities must leave behind on either engine. Each broken
// rule gives one line naming the rows; an empty list means the chain is sound.
QStringList chainViolations(Data::Database& db);

} // namespace Tarvo::Test

// Ends a test that moved quantities: fails it with every broken rule listed.
#define TARVO_CHECK_CHAIN(db)                                                                           \
    do {                                                                                                \
        const QStringList chainBroken_ = ::Tarvo::Test::chainViolations(db);                            \
        QVERIFY2(chainBroken_.isEmpty(), qPrintable(chainBroken_.join(QLatin1Char('\n'))));             \
    } while (false)
