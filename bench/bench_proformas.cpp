// Proformas on the volume data. "Счета": the register's open to its first rows shown and the
// whole list read batch by batch, against its bare list statement read through Query. The split:
// 20 free confirmed orders (1000 lines, 2000 parts) loaded into a new proforma, every part cut
// (by 1, or by half when it holds 1 or less) and saved, 1000 lines split; against the bare
// statements reading the same parts and writing the same rows in one transaction, in the same
// run (each round on orders of its own, the two sides taking turns through them). Rounds use
// orders up: run each time on a fresh copy of the same data (cp, or createdb -T).
//   bench_proformas [--scale S] ENGINE=SQLITE "DATABASE MAIN=/tmp/volume.db"
//   bench_proformas ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:5433" "DATABASE MAIN=volume" "DB USER=postgres"
// An empty database is first filled by the volume generator at the given scale (default 1).
#include "Proformas/proformalist.h"
#include "Proformas/proformaliststatement.h"
#include "Proformas/tdmeditproforma.h"
#include "core/exception.h"
#include "data/engine/dialect.h"
#include "registerbench.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int OrdersPerRound = 20;

Money cutOf(Money amount)
{
    return amount > Money(1) ? Money(1) : Money::fromRaw(amount.raw() / 2);
}

// Groups of free orders (every line free and shipped in part) of one supplier and currency.
QList<QList<qint64>> freeOrderGroups(Database& db)
{
    QMap<QString, QList<qint64>> bySupplier;
    Query q(db, u"select suo_id, suo_supplier, suo_cod_valut from scm_supplier_order where exists (select 1 from "
                "scm_order_invoice where sdi_suo_id = suo_id) and exists (select 1 from scm_bo_accepted where "
                "boa_suo_id = suo_id) and not exists (select 1 from scm_so_accepted where soa_suo_id = suo_id and "
                "soa_pf_id is not null) order by suo_id"_s);
    q.exec();
    while (q.next())
        bySupplier[q.value(1).toString() + u'|' + q.value(2).toString()] << q.integer(0);
    QList<QList<qint64>> groups;
    for (const QList<qint64>& ids : std::as_const(bySupplier))
        for (qsizetype i = 0; i + OrdersPerRound <= ids.size(); i += OrdersPerRound)
            groups << ids.mid(i, OrdersPerRound);
    return groups;
}

struct Steps
{
    double load = 0, edit = 0, save = 0;
};
// Every round's steps, the unmeasured first one included.
QList<Steps> rounds;

// The median of the measured rounds' step and their range.
QString stepFigure(double Steps::*step)
{
    std::vector<double> ms;
    for (qsizetype i = 1; i < rounds.size(); ++i)
        ms.push_back(rounds.at(i).*step);
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return u"%1 ms (%2–%3)"_s.arg(ms[ms.size() / 2], 0, 'f', 1).arg(ms.front(), 0, 'f', 1).arg(ms.back(), 0, 'f', 1);
}

qint64 throughModule(Database& db, const QList<qint64>& orders)
{
    QElapsedTimer t;
    t.start();
    Steps steps;
    Proformas::TdmEditProforma doc(&db);
    doc.loadFromOrders(orders);
    steps.load = t.nsecsElapsed() / 1e6;
    qint64 parts = 0;
    auto& products = doc.dsProducts;
    auto& part = doc.dsProductsOrder;
    for (products.first(); !products.eof(); products.next())
        for (part.first(); !part.eof(); part.next()) {
            part.edit();
            part.setValue(u"Amount"_s, (part.money(u"Amount"_s) - cutOf(part.money(u"Amount"_s))).toVariant());
            part.post();
            ++parts;
        }
    doc.dsHead.first();
    doc.dsHead.edit();
    doc.dsHead.setValue(u"pf_dopnomer"_s, 1);
    doc.dsHead.post();
    steps.edit = t.nsecsElapsed() / 1e6 - steps.load;
    if (!doc.saveDocument())
        throw Exception(u"Счет не сохранен"_s);
    steps.save = t.nsecsElapsed() / 1e6 - steps.load - steps.edit;
    rounds << steps;
    return parts;
}

// The same reads and writes as plain statements: no checks, no savepoints.
qint64 bare(Database& db, const QList<qint64>& orders)
{
    const Dialect& d = db.dialect();
    struct Part
    {
        qint64 pr, suo;
        QDateTime date;
        QVariant sde, swb, sdp;
        Money amount, lineAmount, sum, sumValut;
    };
    // Read inside the writing transaction, as a client that writes what it read must.
    Transaction t(db);
    QList<Part> parts;
    QHash<QString, QList<QPair<qint64, Money>>> requests;
    const auto key = [](qint64 suo, qint64 pr, const QDateTime& date, const QVariant& sde) {
        return u"%1|%2|%3|%4"_s.arg(suo).arg(pr).arg(date.toString(Qt::ISODate), sde.toString());
    };
    Query invoiced(db, u"select soa_pr_id, soa_suo_id, soa_deliverydate, sdi_sde_id, sdi_swb_id, sdi_sdp_pr_id, sdi_amount, "
                       "soa_amount, soa_sum, soa_sum_valut from scm_so_accepted join scm_order_invoice on sdi_suo_id = "
                       "soa_suo_id and sdi_pr_id = soa_pr_id and sdi_soa_deliverydate = soa_deliverydate "
                       "where soa_suo_id = ? and soa_pf_id is null"_s);
    Query free(db, u"select soa_pr_id, soa_suo_id, soa_deliverydate, soa_amount - coalesce((select sum(sdi_amount) from "
                   "scm_order_invoice where sdi_suo_id = soa_suo_id and sdi_pr_id = soa_pr_id and sdi_soa_deliverydate = "
                   "soa_deliverydate), 0), soa_amount, soa_sum, soa_sum_valut from scm_so_accepted "
                   "where soa_suo_id = ? and soa_pf_id is null"_s);
    Query offers(db, u"select soi_suo_id, soi_pr_id, soi_soa_deliverydate, soi_sde_id, soi_bof_id, soi_amount from "
                     "scm_so_accepted join scm_order_invoice on sdi_suo_id = soa_suo_id and sdi_pr_id = soa_pr_id and "
                     "sdi_soa_deliverydate = soa_deliverydate join scm_offer_invoice on soi_sde_id = sdi_sde_id and "
                     "soi_sdp_pr_id = sdi_sdp_pr_id and soi_suo_id = sdi_suo_id and soi_pr_id = sdi_pr_id and "
                     "soi_soa_deliverydate = sdi_soa_deliverydate where soa_suo_id = ? and soa_pf_id is null"_s);
    Query accepted(db, u"select boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount from scm_so_accepted "
                       "join scm_bo_accepted on boa_suo_id = soa_suo_id and boa_pr_id = soa_pr_id and "
                       "boa_soa_deliverydate = soa_deliverydate where soa_suo_id = ? and soa_pf_id is null"_s);
    for (qint64 suo : orders) {
        invoiced.bindAll({suo}).exec();
        while (invoiced.next())
            parts << Part{invoiced.integer(0), invoiced.integer(1), invoiced.dateTime(2), invoiced.value(3),
                          invoiced.value(4), invoiced.value(5), invoiced.money(6), invoiced.money(7),
                          invoiced.money(8), invoiced.money(9)};
        free.bindAll({suo}).exec();
        while (free.next())
            if (free.money(3) > Money())
                parts << Part{free.integer(0), free.integer(1), free.dateTime(2), {}, {}, {}, free.money(3),
                              free.money(4), free.money(5), free.money(6)};
        offers.bindAll({suo}).exec();
        while (offers.next())
            requests[key(offers.integer(0), offers.integer(1), offers.dateTime(2), offers.value(3))]
                << qMakePair(offers.integer(4), offers.money(5));
        accepted.bindAll({suo}).exec();
        while (accepted.next())
            requests[key(accepted.integer(0), accepted.integer(1), accepted.dateTime(2), {})]
                << qMakePair(accepted.integer(3), accepted.money(4));
    }
    const qint64 pf = db.insertReturning(u"insert into scm_Proforma (pf_dopnomer, pf_supplier, pf_sum, pf_date) "
                                         "select 1, suo_supplier, 0, suo_date from scm_supplier_order where suo_id = ?"_s,
                                         u"pf_id"_s, {orders.first()});
    Query insLine(db, u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_amount, soa_sum, soa_deliverydate, "
                      "soa_sum_valut) values (?, ?, ?, ?, ?, ?)"_s);
    Query insInvoice(db, u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, "
                         "sdi_swb_id, sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    Query decInvoice(db, u"update scm_order_invoice set sdi_amount = %1, sdi_sdp_amount = %2 where sdi_sde_id = ? "
                         "and sdi_sdp_pr_id = ? and sdi_suo_id = ? and sdi_pr_id = ? and sdi_soa_deliverydate = ?"_s.arg(
                             d.roundedAmount(u"sdi_amount - ?"_s), d.roundedAmount(u"sdi_sdp_amount - ?"_s)));
    Query insOffer(db, u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, "
                       "soi_swb_id, soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    Query decOffer(db, u"update scm_offer_invoice set soi_amount = %1, soi_sdp_amount = %2 where soi_sde_id = ? "
                       "and soi_sdp_pr_id = ? and soi_suo_id = ? and soi_pr_id = ? and soi_soa_deliverydate = ? "
                       "and soi_bof_id = ?"_s.arg(d.roundedAmount(u"soi_amount - ?"_s),
                                                 d.roundedAmount(u"soi_sdp_amount - ?"_s)));
    Query insAccepted(db, u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                          "boa_amount) values (?, ?, ?, ?, ?)"_s);
    Query decAccepted(db, u"update scm_bo_accepted set boa_amount = %1 where boa_suo_id = ? and boa_pr_id = ? and "
                          "boa_soa_deliverydate = ? and boa_bof_id = ?"_s.arg(d.roundedAmount(u"boa_amount - ?"_s)));
    Query lower(db, u"update scm_so_accepted set soa_amount = ?, soa_sum = ?, soa_sum_valut = ?, soa_pf_id = ? "
                    "where soa_suo_id = ? and soa_pr_id = ? and soa_deliverydate = ?"_s);
    // Lines in the order their parts came: both parts of a line follow one another per order.
    QHash<QString, Money> removedOfLine;
    QList<const Part*> firstOfLine;
    for (const Part& p : parts) {
        const QString line = key(p.suo, p.pr, p.date, {});
        if (!removedOfLine.contains(line))
            firstOfLine << &p;
        removedOfLine[line] += cutOf(p.amount);
    }
    for (const Part* p : firstOfLine) {
        const Money removed = removedOfLine.value(key(p->suo, p->pr, p->date, {}));
        const Money kept = p->lineAmount - removed;
        const Money keptSum = p->sum * kept / p->lineAmount, keptValut = p->sumValut * kept / p->lineAmount;
        insLine.bindAll({p->suo, p->pr, removed.toVariant(), (p->sum - keptSum).toVariant(), p->date.addDays(1),
                         (p->sumValut - keptValut).toVariant()})
            .exec();
    }
    for (const Part& p : parts) {
        const Money cut = cutOf(p.amount);
        const QDateTime next = p.date.addDays(1);
        Money rest = p.amount - cut;
        const auto shares = requests.value(key(p.suo, p.pr, p.date, p.sde));
        if (!p.sde.isNull()) {
            insInvoice.bindAll({p.pr, p.suo, next, p.sde, p.swb, cut.toVariant(), p.sdp, cut.toVariant()}).exec();
            for (const auto& [bof, amount] : shares) {
                const Money keep = qMin(amount, rest);
                rest -= keep;
                if (amount - keep <= Money())
                    continue;
                insOffer.bindAll({p.pr, p.suo, next, p.sde, p.swb, bof, p.sdp, (amount - keep).toVariant(),
                                  (amount - keep).toVariant()})
                    .exec();
                decOffer.bindAll({(amount - keep).toVariant(), (amount - keep).toVariant(), p.sde, p.sdp, p.suo, p.pr,
                                  p.date, bof})
                    .exec();
            }
            decInvoice.bindAll({cut.toVariant(), cut.toVariant(), p.sde, p.sdp, p.suo, p.pr, p.date}).exec();
        } else {
            for (const auto& [bof, amount] : shares) {
                const Money keep = qMin(amount, rest);
                rest -= keep;
                if (amount - keep <= Money())
                    continue;
                insAccepted.bindAll({p.suo, p.pr, next, bof, (amount - keep).toVariant()}).exec();
                decAccepted.bindAll({(amount - keep).toVariant(), p.suo, p.pr, p.date, bof}).exec();
            }
        }
    }
    for (const Part* p : firstOfLine) {
        const Money kept = p->lineAmount - removedOfLine.value(key(p->suo, p->pr, p->date, {}));
        lower.bindAll({kept.toVariant(), (p->sum * kept / p->lineAmount).toVariant(),
                       (p->sumValut * kept / p->lineAmount).toVariant(), pf, p->suo, p->pr, p->date})
            .exec();
    }
    t.commit();
    return parts.size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QTextStream out(stdout);
    try {
        const Bench::VolumeArgs args(app.arguments().mid(1));
        auto db = Bench::openVolumeDatabase(args, out);
        Database::setMain(db.get());
        const QString engine = Bench::engineName(*db);

        const Bench::Measured bareList = Bench::bareListStatement<Proformas::ProformaListStatement>(*db, nullptr);
        const Bench::Measured opened = Bench::listToFirstScreen<Proformas::ProformaList>(*db, nullptr);
        const Bench::Measured whole = Bench::listWhole<Proformas::ProformaList>(*db, nullptr);
        out << engine << ": " << bareList.rows << " proformas\n";
        Bench::reportCase(out, u"\"Счета\" open to first rows shown"_s, opened, bareList);
        Bench::reportCase(out, u"\"Счета\" every batch read"_s, whole, bareList);

        const QList<QList<qint64>> groups = freeOrderGroups(*db);
        if (groups.size() < 12)
            throw Exception(u"Групп свободных заказов %1, нужно 12"_s.arg(groups.size()));
        // The two sides take turns through the groups, so that each meets orders alike.
        int nextModule = 0, nextBare = 1;
        const auto group = [&](int& next) {
            const QList<qint64> g = groups.at(next);
            next += 2;
            return g;
        };
        Bench::Measured module, plain;
        module.ms = median([&] { module.rows = throughModule(*db, group(nextModule)); });
        plain.ms = median([&] { plain.rows = bare(*db, group(nextBare)); });
        Bench::reportCase(out, u"20 orders loaded, every part cut, saved"_s, module, plain);
        out << "    medians of the rounds: load " << stepFigure(&Steps::load) << ", edits " << stepFigure(&Steps::edit)
            << ", save with the re-read " << stepFigure(&Steps::save) << "\n";
        Database::setMain(nullptr);
        return 0;
    } catch (const Exception& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
}
