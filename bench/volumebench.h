#pragma once

// What the register benchmarks share: their arguments, the volume database they run on (filled by
// the generator when it holds no documents) and the grid's first screen.
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/rowset/trowsetmodel.h"
#include "db/demodata.h"
#include "db/volumegenerator.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>
#include <memory>

namespace Tarvo::Bench {

struct VolumeArgs
{
    double scale = 1;
    QStringList overrides;

    explicit VolumeArgs(const QStringList& args)
    {
        for (qsizetype i = 0; i < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--scale") && i + 1 < args.size())
                scale = args.at(++i).toDouble();
            else
                overrides << args.at(i);
        }
    }
};

inline QString engineName(const Data::Database& db)
{
    return db.engine() == Data::Engine::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

inline std::unique_ptr<Data::Database> openVolumeDatabase(const VolumeArgs& args, QTextStream& out)
{
    auto db = Data::Connector::connect(Data::Connector::settingsFrom(args.overrides), false);
    Data::Migrator::apply(*db);
    if (db->engine() == Data::Engine::PostgreSQL)
        db->exec(QStringLiteral("set statement_timeout = 0"));
    if (!Data::DemoData::hasDocuments(*db)) {
        QElapsedTimer t;
        t.start();
        const qint64 rows = Data::VolumeGenerator(*db, args.scale).run();
        out << engineName(*db) << ": generated " << rows << " rows in " << QString::number(t.elapsed() / 1000.0, 'f', 1)
            << " s\n";
        out.flush();
    }
    if (db->engine() == Data::Engine::PostgreSQL)
        db->exec(QStringLiteral("analyze"));
    return db;
}

// What a grid asks for to paint its first screen.
inline void firstScreen(Data::TRowSet& rows)
{
    Data::TRowSetModel model(rows);
    const int shown = qMin(40, model.rowCount());
    for (int r = 0; r < shown; ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            (void)model.data(model.index(r, c));
}

} // namespace Tarvo::Bench
