// Forming supplier orders from the request register on the volume data: collecting the open
// amounts of the listed approved requests with the cheapest supplier of each product, up to the
// window's first rows shown, against the bare open-amount and cheapest-supplier statements read
// through Query in the same run; then saving every prepared order, against the same inserts
// through Query in one transaction. Each save is undone before the next round.
//   bench_formorders [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_formorders ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "registerbench.h"

#include "SupplierOrders/supplierorderwriter.h"
#include "SupplierOrders/tdmaggsupplierorder.h"
#include "SupplierOrders/ui/ttfsupplierorder3.h"
#include "core/exception.h"
#include "otbor/registerotbors.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarlist.h"
#include "shell/tdatabaseconnection.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QDate>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;
using SupplierOrders::PreparedOrders;
using SupplierOrders::TdmAggSupplierOrder;

namespace {

// Removes what one save wrote: the orders above `lastOrder` with their lines and links.
void undoSave(Data::Database& db, qint64 lastOrder)
{
    Data::Transaction tx(db);
    db.exec(u"delete from scm_bo_ordered where bpo_suo_id > ?"_s, {lastOrder});
    db.exec(u"delete from scm_so_products where sop_suo_id > ?"_s, {lastOrder});
    db.exec(u"delete from scm_supplier_order where suo_id > ?"_s, {lastOrder});
    tx.commit();
}

// The save's statements, bare: the same rows through Query in one transaction.
void bareInserts(Data::Database& db, const PreparedOrders& p)
{
    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    const QDateTime tomorrow(QDate::currentDate().addDays(1), QTime(0, 0));
    Data::Transaction tx(db);
    QList<qint64> ids;
    for (const SupplierOrders::PreparedOrder& o : p.orders)
        ids << db.insertReturning(u"insert into scm_supplier_order (suo_date, suo_supplier, suo_cod_valut, "
                                  "suo_createdate, suo_updatedate, suo_description, Urgency_ID, suo_accepted, "
                                  "suo_waiting) values (?, ?, ?, ?, ?, '', ?, 0, 1)"_s,
                                  u"suo_id"_s,
                                  {today, o.supplierId, o.currency, today, today,
                                   o.urgencyId.isNull() ? QVariant(QMetaType::fromType<qint64>()) : o.urgencyId});
    Data::Query line(db, u"insert into scm_so_products (sop_pr_id, sop_deliverydate, sop_amount, sop_sum, "
                         "sop_suo_id, sop_sum_valut) values (?, ?, ?, ?, ?, ?)"_s);
    for (const SupplierOrders::PreparedLine& l : p.lines)
        line.bindAll({l.productId, tomorrow, l.amount.toVariant(), l.sum().toVariant(), ids.at(l.orderLink),
                      l.sumValut().toVariant()})
            .exec();
    Data::Query link(db, u"insert into scm_bo_ordered (bpo_amount, bpo_bof_id, bpo_suo_id, bpo_pr_id) "
                         "values (?, ?, ?, ?)"_s);
    for (const SupplierOrders::PreparedLink& l : p.links)
        link.bindAll({l.amount.toVariant(), l.requestId, ids.at(l.orderLink), l.productId}).exec();
    tx.commit();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    try {
        const Bench::VolumeArgs args(app.arguments().mid(1));
        auto db = Bench::openVolumeDatabase(args, out);
        Data::Database::setMain(db.get());
        out << Bench::engineName(*db) << ":\n";

        // The volume data's one user, whose requests they all are; the register's own filter list
        // with nothing switched on (the manager restriction applies as always).
        Shell::TDataBaseConnection::instance().setCurrentUser(1, u"Админ"_s, u"Админ"_s, u"Отдел закупок"_s);
        Otbor::TGlobalOtbors global;
        const auto filters = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers, global);

        Bench::Measured collected, bare;
        collected.ms = median([&] {
            TdmAggSupplierOrder dm(*db);
            dm.collect(filters.get());
            SupplierOrders::TTfSupplierOrder3 window(*db, dm);
            Bench::firstScreen(*window.productsGrid()->rowSet());
            collected.rows = dm.requestLines().size();
        });
        bare.ms = median([&] {
            bare.rows = 0;
            for (bool products : {false, true}) {
                const auto s = TdmAggSupplierOrder::collectingStatement(db->dialect(), filters.get(), products);
                auto q = s.toQuery(*db);
                if (products) {
                    // The cheapest-supplier statement over the collected products.
                    Data::Query offers(*db, SupplierOrders::SupplierOffers::cheapestStatement(s.sql()));
                    for (int i = 0; i < s.params().size(); ++i)
                        offers.bindAt(i, s.params()[i].value, s.params()[i].type, s.params()[i].size);
                    Bench::readToEnd(offers);
                } else {
                    bare.rows += Bench::readToEnd(*q);
                }
            }
        });
        Bench::reportCase(out, u"collecting to the window's first rows shown"_s, collected, bare);

        TdmAggSupplierOrder dm(*db);
        dm.collect(filters.get());
        const PreparedOrders prepared = dm.prepare();
        const qint64 lastOrder = db->scalar(u"select coalesce(max(suo_id), 0) from scm_supplier_order"_s).toLongLong();
        Bench::Measured saved, inserts;
        saved.rows = inserts.rows = prepared.links.size();
        saved.ms = medianAfter([&] { undoSave(*db, lastOrder); },
                               [&] { SupplierOrders::SupplierOrderWriter::save(*db, prepared); });
        inserts.ms = medianAfter([&] { undoSave(*db, lastOrder); }, [&] { bareInserts(*db, prepared); });
        undoSave(*db, lastOrder);
        out << "  " << prepared.orders.size() << " orders, " << prepared.lines.size() << " lines\n";
        Bench::reportCase(out, u"saving every prepared order"_s, saved, inserts);
        Data::Database::setMain(nullptr);
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
