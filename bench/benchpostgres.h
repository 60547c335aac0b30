#pragma once

#include "data/engine/connectionsettings.h"

#include <QtGlobal>

// The private PostgreSQL server scripts/bench.sh starts (TARVO_BENCH_PG_HOST/PORT/USER).
inline bool benchPostgresAvailable()
{
    return qEnvironmentVariableIsSet("TARVO_BENCH_PG_PORT");
}

inline Tarvo::Data::ConnectionSettings benchPostgresSettings()
{
    Tarvo::Data::ConnectionSettings s;
    s.engine = Tarvo::Data::Engine::PostgreSQL;
    s.host = qEnvironmentVariable("TARVO_BENCH_PG_HOST", QStringLiteral("127.0.0.1"));
    s.port = qEnvironmentVariableIntValue("TARVO_BENCH_PG_PORT");
    s.user = qEnvironmentVariable("TARVO_BENCH_PG_USER", QStringLiteral("postgres"));
    s.database = QStringLiteral("postgres");
    return s;
}
