// The confirmation document on a big order (2000 lines, 5 requests each, nothing confirmed yet):
// load, "Догрузить" and save through the module, against the bare statements reading the rest
// and writing the same rows in one transaction, in the same run.
//   bench_accshed ENGINE=SQLITE "DATABASE MAIN=/tmp/accshed.db"
//   bench_accshed ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=accshed" "DB USER=postgres"
// The order is written by the benchmark itself into a throw-away database.
#include "AcceptedOrders/tdmaccshed.h"
#include "benchmedian.h"
#include "core/exception.h"
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "data/engine/migration.h"
#include "data/engine/query.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTextStream>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

int Lines = 2000; // --lines N for a smaller order
constexpr int Requests = 5;

struct BigOrder
{
    qint64 suo = 0;
    QList<qint64> requests;
    QList<qint64> products;
};

BigOrder makeOrder(Database& db)
{
    BigOrder o;
    Transaction tr(db);
    db.exec(u"insert into _partner (N_USER, NAME_USER) values ('БЕНЧ', 'ООО Бенч')"_s);
    const qint64 partner = db.insertReturning(u"insert into scm_partner (par_nuser) values ('БЕНЧ')"_s, u"par_ID"_s);
    for (int i = 0; i < Lines; ++i)
        o.products << db.insertReturning(u"insert into crm_product (PR_ARTICUL, PR_NAME) values (?, ?)"_s, u"PR_ID"_s,
                                         {u"ACC-%1"_s.arg(i, 5, 10, QLatin1Char('0')), u"Товар %1"_s.arg(i)});
    const QDateTime day(QDate(2026, 2, 5), QTime(0, 0));
    for (int r = 0; r < Requests; ++r)
        o.requests << db.insertReturning(u"insert into scm_business_offer (bof_person, bof_date) values (?, ?)"_s,
                                         u"bof_id"_s, {partner, day});
    o.suo = db.insertReturning(u"insert into scm_supplier_order (suo_supplier, suo_date, suo_description) "
                               "values (?, ?, 'большой заказ')"_s,
                               u"suo_id"_s, {partner, day});
    Query line(db, u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount) values (?, ?, 10)"_s);
    Query sop(db, u"insert into scm_so_products (sop_suo_id, sop_pr_id, sop_deliverydate, sop_amount, sop_sum) "
                  "values (?, ?, ?, 50, 5000)"_s);
    for (qint64 pr : o.products) {
        sop.bindAll({o.suo, pr, day}).exec();
        for (qint64 r : o.requests)
            line.bindAll({r, pr}).exec();
    }
    tr.commit();
    return o;
}

// The requests' ordered rows as the order editor leaves them; nothing confirmed.
void resetOrder(Database& db, const BigOrder& o)
{
    Transaction tr(db);
    db.exec(u"delete from scm_bo_accepted where boa_suo_id = ?"_s, {o.suo});
    db.exec(u"delete from scm_so_accepted where soa_suo_id = ?"_s, {o.suo});
    db.exec(u"delete from scm_bo_ordered where bpo_suo_id = ?"_s, {o.suo});
    Query ordered(db, u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, 10)"_s);
    for (qint64 pr : o.products)
        for (qint64 r : o.requests)
            ordered.bindAll({r, pr, o.suo}).exec();
    tr.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QTextStream out(stdout);
    try {
        QStringList args = app.arguments().mid(1);
        if (const qsizetype i = args.indexOf(u"--lines"_s); i >= 0 && i + 1 < args.size()) {
            Lines = args.at(i + 1).toInt();
            args.remove(i, 2);
        }
        auto db = Connector::connect(Connector::settingsFrom(args), false);
        Migrator::apply(*db);
        if (db->engine() == Engine::PostgreSQL)
            db->exec(u"set statement_timeout = 0"_s);
        const QString engine = db->engine() == Engine::SQLite ? u"SQLite"_s : u"PostgreSQL"_s;
        const BigOrder o = makeOrder(*db);
        resetOrder(*db, o);

        // The module's steps once, to see where its time goes.
        {
            resetOrder(*db, o);
            AcceptedOrders::TdmAccShed doc(db.get());
            QElapsedTimer t;
            t.start();
            doc.loadOrder(int(o.suo));
            const qint64 load = t.restart();
            doc.loadRest();
            const qint64 rest = t.restart();
            doc.save();
            out << engine << ": load " << load << " ms, \"Догрузить\" " << rest << " ms, save " << t.elapsed()
                << " ms\n";
            out.flush();
        }
        // Statistics taken with the confirmation written, as a working database has them.
        if (db->engine() == Engine::PostgreSQL)
            db->exec(u"analyze"_s);
        int written = 0;
        const double module = medianAfter([&] { resetOrder(*db, o); }, [&] {
            AcceptedOrders::TdmAccShed doc(db.get());
            doc.loadOrder(int(o.suo));
            doc.loadRest();
            if (!doc.save())
                throw Exception(u"Подтверждение не сохранено"_s);
            written = doc.soAccepted.recordCount();
        });
        const double bare = medianAfter([&] { resetOrder(*db, o); }, [&] {
            Transaction tr(*db);
            Query rest(*db, u"select sop_pr_id, sop_amount, sop_sum, sop_sum_valut, sop_deliverydate, bpo_bof_id, "
                            "bpo_amount from scm_so_products left join scm_bo_ordered on bpo_suo_id = sop_suo_id "
                            "and bpo_pr_id = sop_pr_id where sop_suo_id = ? order by sop_pr_id, bpo_bof_id"_s);
            rest.bindAll({o.suo}).exec();
            Query insSo(*db, u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_amount, soa_sum, "
                             "soa_deliverydate, soa_sum_valut) values (?, ?, ?, ?, ?, ?)"_s);
            Query insBo(*db, u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                             "boa_amount) values (?, ?, ?, ?, ?)"_s);
            Query delOrdered(*db, u"delete from scm_bo_ordered where bpo_bof_id = ? and bpo_pr_id = ? "
                                  "and bpo_suo_id = ?"_s);
            struct Row
            {
                QVariantList line;
                QList<QPair<qint64, QVariant>> shares;
            };
            QList<Row> rows;
            qint64 pr = -1;
            while (rest.next()) {
                if (rest.integer(0) != pr) {
                    pr = rest.integer(0);
                    rows.append({{o.suo, pr, rest.value(1), rest.value(2), rest.value(4), rest.value(3)}, {}});
                }
                rows.last().shares << qMakePair(rest.integer(5), rest.value(6));
            }
            rest.finish();
            for (const Row& r : rows) {
                insSo.bindAll(r.line).exec();
                for (const auto& [bof, amount] : r.shares) {
                    insBo.bindAll({o.suo, r.line[1], r.line[4], bof, amount}).exec();
                    delOrdered.bindAll({bof, r.line[1], o.suo}).exec();
                }
            }
            tr.commit();
        });
        const qint64 shares = db->scalar(u"select count(*) from scm_bo_accepted where boa_suo_id = ?"_s, {o.suo}).toLongLong();
        out << engine << ": order of " << Lines << " lines x " << Requests << " requests (" << written << " lines, "
            << shares << " shares written)\n"
            << "  bare statements, rest read and rows written: " << QString::number(bare, 'f', 1) << " ms\n"
            << "  load, \"Догрузить\" and save: " << QString::number(module, 'f', 1) << " ms, ratio "
            << QString::number(module / bare, 'f', 2) << "\n";
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
