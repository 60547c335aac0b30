#include "BusOffer/offerdeleteprocedure.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"
#include "data/modules/servererror.h"
#include "db/demodata.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

namespace {

// The rows a request owns, and those of the chain around it that must never be touched.
const QList<QPair<QString, QString>> OfferTables{
    {u"scm_business_offer"_s, u"bof_id"_s}, {u"scm_bp_delivery"_s, u"bpd_bof_id"_s},
    {u"scm_bo_ordered"_s, u"bpo_bof_id"_s}, {u"scm_bo_accepted"_s, u"boa_bof_id"_s},
    {u"scm_offer_invoice"_s, u"soi_bof_id"_s}, {u"SCM_TOMOVE"_s, u"soi_bof_id"_s},
};
const QStringList ChainTables{u"scm_supplier_order"_s, u"scm_so_products"_s, u"scm_so_accepted"_s,
                              u"scm_order_invoice"_s, u"scm_deliveredProduct"_s, u"scl_move"_s};

QList<qint64> ownRows(Database& db, qint64 bof)
{
    QList<qint64> r;
    for (const auto& [table, column] : OfferTables)
        r << db.scalar(u"select count(*) from %1 where %2 = ?"_s.arg(table, column), {bof}).toLongLong();
    return r;
}

QList<qint64> totals(Database& db, const QStringList& tables)
{
    QList<qint64> r;
    for (const QString& t : tables)
        r << db.scalar(u"select count(*) from %1"_s.arg(t)).toLongLong();
    return r;
}

QStringList offerTableNames()
{
    QStringList r;
    for (const auto& t : OfferTables)
        r << t.first;
    return r;
}

} // namespace

class OfferDeleteTest : public QObject
{
    Q_OBJECT

private slots:
    // Every request of the demo company: received ones are refused with the reference error and
    // keep every row; the others go with their stages, and nothing else of the chain changes.
    void demoRequestsGoUnlessReceived()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        DemoData::fill(db);
        QList<qint64> requests;
        {
            Query q(db, u"select bof_id from scm_business_offer order by bof_id"_s);
            q.exec();
            while (q.next())
                requests << q.integer(0);
        }
        QVERIFY(requests.size() >= 10);
        int refused = 0, deleted = 0, shippedDeleted = 0, orderedDeleted = 0;
        for (qint64 bof : requests) {
            const QList<qint64> own = ownRows(db, bof);
            const QList<qint64> chainBefore = totals(db, ChainTables);
            const QList<qint64> allBefore = totals(db, offerTableNames());
            const bool received = own.last() > 0;
            if (received) {
                try {
                    OfferDeleteProcedure::run(db, bof);
                    QFAIL(qPrintable(u"request %1 with received goods was deleted"_s.arg(bof)));
                } catch (const DatabaseError& e) {
                    QCOMPARE(e.nativeError(), NativeError::Reference);
                    const ServerErrorInfo info = ServerError::classify(e.errors());
                    QCOMPARE(info.kind, ServerErrorKind::Reference);
                    QCOMPARE(info.constraint, OfferDeleteProcedure::ReceiptConstraint);
                    QVERIFY2(e.message().contains(u"ПН-"_s), qPrintable(e.message())); // names the receipts
                }
                QCOMPARE(ownRows(db, bof), own);
                QCOMPARE(totals(db, offerTableNames()), allBefore);
                ++refused;
            } else {
                QVERIFY(OfferDeleteProcedure::run(db, bof));
                QCOMPARE(ownRows(db, bof), QList<qint64>(OfferTables.size(), 0));
                // Exactly this request's rows went.
                const QList<qint64> allAfter = totals(db, offerTableNames());
                for (int i = 0; i < own.size(); ++i)
                    QCOMPARE(allAfter.at(i), allBefore.at(i) - own.at(i));
                ++deleted;
                if (own.at(4) > 0)
                    ++shippedDeleted;
                if (own.at(2) > 0 && own.at(3) == 0 && own.at(4) == 0)
                    ++orderedDeleted;
            }
            QCOMPARE(totals(db, ChainTables), chainBefore);
            QVERIFY(!db.inTransaction());
        }
        // The demo holds each kind: received, in transit, confirmed, only ordered.
        QVERIFY(refused >= 2);
        QVERIFY(deleted >= 3);
        QVERIFY(shippedDeleted >= 1);
        QVERIFY(orderedDeleted >= 1);
        // The supplier orders' confirmed amounts no longer wait for the deleted requests, and the
        // placed amounts of the lines left still agree with their stages.
        QCOMPARE(db.scalar(u"select count(*) from scm_bp_delivery where bpd_placed <> coalesce((select sum(bpo_amount) "
                           "from scm_bo_ordered where bpo_bof_id = bpd_bof_id and bpo_pr_id = bpd_pr_id), 0) + "
                           "coalesce((select sum(boa_amount) from scm_bo_accepted where boa_bof_id = bpd_bof_id and "
                           "boa_pr_id = bpd_pr_id), 0) + coalesce((select sum(soi_amount) from scm_offer_invoice where "
                           "soi_bof_id = bpd_bof_id and soi_pr_id = bpd_pr_id), 0)"_s)
                     .toInt(),
                 0);
    }

    // Inside the caller's transaction: a refusal leaves the caller's own work and transaction
    // usable, a deletion is undone with the caller's rollback.
    void runsInTheCallersTransaction()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        DemoData::fill(db);
        const qint64 received = db.scalar(u"select min(soi_bof_id) from SCM_TOMOVE"_s).toLongLong();
        const qint64 open = db.scalar(u"select min(bof_id) from scm_business_offer where bof_id not in "
                                      "(select soi_bof_id from SCM_TOMOVE where soi_bof_id is not null)"_s).toLongLong();
        QVERIFY(received > 0 && open > 0);
        const QList<qint64> openRows = ownRows(db, open);
        {
            Transaction tx(db);
            db.exec(u"update scm_business_offer set bof_description = 'до удаления' where bof_id = ?"_s, {open});
            QVERIFY_THROWS_EXCEPTION(DatabaseError, OfferDeleteProcedure::run(db, received));
            QVERIFY(db.inTransaction());
            QVERIFY(!db.isDoomed());
            QVERIFY(OfferDeleteProcedure::run(db, open));
            QCOMPARE(ownRows(db, open).first(), 0);
            // Not committed: the caller's rollback brings the request back.
        }
        QCOMPARE(ownRows(db, open), openRows);
        QVERIFY(db.scalar(u"select bof_description from scm_business_offer where bof_id = ?"_s, {open}).toString() !=
                u"до удаления"_s);
        {
            Transaction tx(db);
            db.exec(u"update scm_business_offer set bof_description = 'сохранено' where bof_id = ?"_s, {received});
            QVERIFY_THROWS_EXCEPTION(DatabaseError, OfferDeleteProcedure::run(db, received));
            tx.commit(); // the refusal did not doom the caller's work
        }
        QCOMPARE(db.scalar(u"select bof_description from scm_business_offer where bof_id = ?"_s, {received}).toString(),
                 u"сохранено"_s);
    }

    // Called by name as the register calls it; a missing request deletes nothing, a missing
    // number is an error, and a shipment row with a receipt is kept by the database itself.
    void calledByNameAndGuardedByTheDatabase()
    {
        Test::TestDatabase t;
        Database& db = t.db();
        DemoData::fill(db);
        OfferDeleteProcedure::registerOnce();
        const qint64 open = db.scalar(u"select max(bof_id) from scm_business_offer where bof_id not in "
                                      "(select soi_bof_id from SCM_TOMOVE where soi_bof_id is not null)"_s).toLongLong();
        const ProcedureResult r =
            ProcedureRegistry::instance().call(db, u"SCM_DELETE_BUSINESS_OFFER"_s, {{u"@BOF_ID"_s, open}});
        QCOMPARE(r.outputs.value(u"deleted"_s).toInt(), 1);
        QVERIFY(!OfferDeleteProcedure::run(db, open));
        QVERIFY(!OfferDeleteProcedure::run(db, 999999));
        QVERIFY_THROWS_EXCEPTION(Exception, ProcedureRegistry::instance().call(db, OfferDeleteProcedure::Name, {}));
        // What the check guards is also refused by the schema: a received shipment cannot go.
        try {
            db.exec(u"delete from scm_offer_invoice where exists (select 1 from SCM_TOMOVE t where "
                    "t.soi_bof_id = scm_offer_invoice.soi_bof_id and t.soi_sde_id = scm_offer_invoice.soi_sde_id and "
                    "t.soi_pr_id = scm_offer_invoice.soi_pr_id)"_s);
            QFAIL("a shipment with received goods was deleted");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.nativeError(), NativeError::Reference);
            QCOMPARE(e.constraint(), OfferDeleteProcedure::ReceiptConstraint);
            QCOMPARE(ServerError::classify(e.errors()).kind, ServerErrorKind::Reference);
        }
    }
};

QTEST_GUILESS_MAIN(OfferDeleteTest)
#include "tst_offerdelete.moc"
