// Expanding a product group and showing the first screen of its products, against the bare
// query of the same rows. Needs volume data (tarvo-admin generate --scale 1: 20 top-level
// groups of 10k products each, in 10 subgroups).
//   bench_catalogtree [--runs N] [--only tree|bare] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_catalogtree ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB
//   USER=postgres"
#include "catalog/tree/productlistquery.h"
#include "catalog/tree/scmnodes.h"
#include "catalog/tree/tscmtreeowner.h"
#include "core/exception.h"
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

QTextStream out(stdout);
constexpr int ScreenRows = 40;

// What the catalog window does when the user expands a group and selects it with its subgroups.
struct Owner : TSCMTreeOwner
{
    Data::Database& db;
    Data::TRowSet products;
    QString firstScreen;
    explicit Owner(Data::Database& d) : db(d) {}
    void selectNode(qint64 nodeId, bool flag) override
    {
        const ProductListQuery q = ProductListQuery::forNode(nodeId, flag);
        Data::Query query(db, q.sql);
        query.bindAll(q.params);
        products.loadFrom(query);
        Data::TRowSetModel model(products);
        firstScreen.clear();
        for (int r = 0; r < std::min(ScreenRows, model.rowCount()); ++r)
            for (int c = 0; c < model.columnCount(); ++c)
                firstScreen += model.data(model.index(r, c)).toString();
    }
};

qint64 treePath(Data::Database& db, qint64 group)
{
    Owner owner(db);
    TSCMTreePanel panel(db, &owner);
    panel.openChildren();
    QString caption;
    TNodeItem* withGroups = nullptr;
    while (!panel.eof()) {
        TNodeItem* n = panel.nextChild(&caption);
        if (static_cast<TASCMNode*>(n)->nodeId() == WithGroups)
            withGroups = n;
    }
    withGroups->openChildren();
    TNodeItem* target = nullptr;
    while (!withGroups->eof()) {
        TNodeItem* n = withGroups->nextChild(&caption);
        if (static_cast<TASCMNode*>(n)->nodeId() == group)
            target = n;
    }
    if (!target)
        throw Exception(u"Группа %1 не найдена"_s.arg(group));
    target->openChildren(); // expanding
    while (!target->eof())
        target->nextChild(&caption);
    target->select(true);
    return owner.products.recordCount();
}

qint64 barePath(Data::Database& db, qint64 group)
{
    const ProductListQuery q = ProductListQuery::forNode(group, true);
    Data::Query query(db, q.sql);
    query.bindAll(q.params).exec();
    qint64 rows = 0;
    const int columns = query.columnCount();
    while (query.next()) {
        for (int c = 0; c < columns; ++c)
            (void)query.value(c);
        ++rows;
    }
    return rows;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    int runs = 7;
    QString only;
    QStringList overrides;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--runs"_s && i + 1 < args.size())
            runs = args.at(++i).toInt();
        else if (args.at(i) == u"--only"_s && i + 1 < args.size())
            only = args.at(++i);
        else
            overrides << args.at(i);
    }
    try {
        auto db = Data::Connector::connect(Data::Connector::settingsFrom(overrides), true);
        // The top-level group with the most products below it.
        const qint64 group =
            db->scalar(u"select g.pg_groupid from crm_productgroups g where g.pg_parent is null "
                       "order by (select count(*) from crm_product p where p.PR_GROUPID in "
                       "(select groupid from crm_groupsrel where ancestor = g.pg_groupid) "
                       "or p.PR_GROUPID = g.pg_groupid) desc, g.pg_groupid limit 1"_s)
                .toLongLong();
        QList<double> tree, bare;
        qint64 rows = 0;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            if (only != u"bare"_s) {
                t.start();
                rows = treePath(*db, group);
                tree << t.nsecsElapsed() / 1e6;
            }
            if (only != u"tree"_s) {
                t.start();
                rows = barePath(*db, group);
                bare << t.nsecsElapsed() / 1e6;
            }
        }
        const QString engine = db->engine() == Data::Engine::SQLite ? u"SQLite"_s : u"PostgreSQL"_s;
        out << engine << ": group " << group << ", " << rows << " products, median of " << runs << " runs\n";
        if (!tree.isEmpty())
            out << "  expand + select + first screen: " << QString::number(median(tree), 'f', 1) << " ms\n";
        if (!bare.isEmpty())
            out << "  bare query of the same rows:    " << QString::number(median(bare), 'f', 1) << " ms\n";
        if (!tree.isEmpty() && !bare.isEmpty())
            out << "  ratio " << QString::number(median(tree) / median(bare), 'f', 2) << "\n";
    } catch (const std::exception& e) {
        out << "bench_catalogtree: " << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
    return 0;
}
