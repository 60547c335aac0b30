#include "Payments/tdmeditpayment.h"

#include "catalog/currency/currencyrates.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/rowcountcheck.h"
#include "data/modules/tscmnamedparams_ro.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/currentuser.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

const QString TdmEditPayment::AllSpentMessage = u"Вся сумма израсходована"_s;
const QString TdmEditPayment::InvalidSumMessage = u"Недопустимое значение суммы"_s;
const QString TdmEditPayment::DistributedMessage = u"Платеж распределен по счетам. Сначала удалите счета"_s;
const QString TdmEditPayment::ChangedElsewhereMessage = u"Платеж изменен другим пользователем"_s;
const QString TdmEditPayment::OverpaidMessage = u"Сумма больше неоплаченного остатка счета %1"_s;
const QString TdmEditPayment::DeletedMessage = u"Платеж удален другим пользователем"_s;

namespace {

const QString Pf = u"spp_pf_id"_s;
const QString PartSum = u"spp_sum"_s;
const QString Sum2 = u"spm_sum2"_s;

struct Required
{
    QString field;
    QString caption;
};
const QList<Required>& requiredFields()
{
    static const QList<Required> r{{u"spm_date"_s, u"Дата"_s},          {u"spm_sum"_s, u"Сумма"_s},
                                   {u"spm_inum"_s, u"Номер"_s},         {u"spm_snum"_s, u"Доп. номер"_s},
                                   {u"spm_nal"_s, u"Нал"_s},            {u"spm_cod_valut"_s, u"Валюта"_s},
                                   {u"spm_payer"_s, u"Плательщик"_s},   {u"spm_recipient"_s, u"Получатель"_s},
                                   {u"spm_sum2"_s, u"Сумма поставщика"_s}, {u"spm_cod_valut2"_s, u"Валюта поставщика"_s}};
    return r;
}

// Roubles are the empty code, never null: a null code matches no proforma.
QString code(const Data::TRowSet& rows, const QString& field)
{
    const QString c = rows.string(field).trimmed();
    return c.isEmpty() ? u""_s : c;
}

bool isField(const Data::TRowSet& rows, int field, const QString& name)
{
    return rows.field(field).name.compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

TdmEditPayment::TdmEditPayment(Data::Database* db, QObject* parent) : TDefferedDataModule(db, parent)
{
    Body.addField(Pf, Data::FieldType::Integer);
    Body.addField(PartSum, Data::FieldType::Money);
    Body.addField(u"pf_dopnomer"_s, Data::FieldType::Integer);
    Body.addField(u"pf_snomer"_s, Data::FieldType::String);
    Body.addField(u"pf_total"_s, Data::FieldType::Money);
    Body.field(0).displayLabel = u"№ счета"_s;
    Body.field(1).displayLabel = u"Сумма"_s;
    for (int i : {0, 2, 3, 4})
        Body.field(i).readOnly = true;
    Body.beforePost = [this](Data::TRowSet& r) { checkRow(r); };
    Body.validate = [](Data::TRowSet& r, int f, const QVariant& v) {
        if (isField(r, f, PartSum) && (v.isNull() || Money::fromVariant(v) <= Money()))
            throw Exception(InvalidSumMessage);
        return true;
    };
    qData.validate = [this](Data::TRowSet& r, int f, const QVariant& v) { return validHeader(r, f, v); };
    qData.onFieldChange = [this](Data::TRowSet& r, int f) { headerChanged(r, f); };
    qData.beforePost = [this](Data::TRowSet& r) { checkHeader(r); };
    const auto changed = [this] {
        if (!m_loading && (qData.hasPendingChanges() || Body.hasPendingChanges()))
            setModified(true);
    };
    qData.onChanged = changed;
    Body.onChanged = changed;
}

QString TdmEditPayment::namedParameter(Data::Database& db, const QString& name)
{
    return Data::TSCMNamedParams_RO(db).value(name);
}

void TdmEditPayment::newPayment()
{
    loadPayment(0);
    Data::Database& db = database();
    m_loading = true;
    qData.insert();
    qData.setValue(u"spm_date"_s, QDateTime(QDate::currentDate(), QTime(0, 0)));
    qData.setValue(u"spm_nal"_s, 0);
    qData.setValue(u"spm_cod_valut"_s, u""_s);
    qData.setValue(u"spm_cod_valut2"_s, u""_s);
    if (namedParameter(db, u"USE_MYORG_PLAT"_s).compare(u"True"_s, Qt::CaseInsensitive) == 0) {
        const QVariant payer = db.scalar(u"select p.par_id from scm_partner p join _partner n on n.n_user = p.par_nuser "
                                         "where n.n_user = ?"_s,
                                         {namedParameter(db, u"MyOrgCons"_s)});
        if (!payer.isNull())
            qData.setValue(u"spm_payer"_s, payer);
    }
    m_loading = false;
    m_untouched = true;
}

void TdmEditPayment::loadPayment(qint64 spmId)
{
    Data::Database& db = database();
    m_loading = true;
    Data::Query head(db, u"select * from scm_payments where spm_id = ?"_s);
    head.bindAll({spmId});
    qData.loadFrom(head);
    for (const QString& f : {u"spm_id"_s, u"spm_unicum_plt"_s, u"spm_user_id"_s, u"spm_updatedate"_s})
        qData.field(qData.fieldIndexOrThrow(f)).readOnly = true;
    if (spmId && qData.isEmpty()) {
        m_loading = false;
        throw Exception(DeletedMessage);
    }
    m_spmId = spmId;
    m_untouched = false;
    loadBody(spmId);
    m_loading = false;
    setModified(false);
}

void TdmEditPayment::loadBody(qint64 spmId)
{
    Body.clearRows();
    Data::Query q(database(), u"select pp.spp_pf_id, pp.spp_sum, pf.pf_dopnomer, pf.pf_snomer, "
                              "pf.pf_sum + pf.pf_surcharge from scm_pfpayment pp "
                              "join scm_Proforma pf on pf.pf_id = pp.spp_pf_id where pp.spp_spm_id = ? "
                              "order by pp.spp_pf_id"_s);
    q.bindAll({spmId}).exec();
    while (q.next())
        Body.appendLoaded({q.integer(0), q.money(1).toVariant(), q.value(2), q.value(3), q.money(4).toVariant()});
    Body.first();
}

qint64 TdmEditPayment::exportedNumber() const
{
    if (qData.isEmpty() || qData.isNull(u"spm_unicum_plt"_s))
        return 0;
    return qData.integer(u"spm_unicum_plt"_s);
}

Money TdmEditPayment::othersDistributed() const
{
    Money d;
    auto rows = Body.clone();
    const bool editing = Body.state() == Data::RowSetState::Edit;
    const auto mark = editing ? Body.bookmark() : 0;
    for (rows->first(); !rows->eof(); rows->next())
        if (!(editing && rows->bookmark() == mark))
            d += rows->money(PartSum);
    return d;
}

Money TdmEditPayment::distributed() const
{
    Money d = othersDistributed();
    if (Body.state() != Data::RowSetState::Browse)
        d += Body.money(PartSum);
    return d;
}

Money TdmEditPayment::freeRest() const
{
    return qData.isEmpty() && qData.state() == Data::RowSetState::Browse ? Money()
                                                                           : qData.money(Sum2) - distributed();
}

void TdmEditPayment::checkCanAdd() const
{
    if (qData.isNull(Sum2) || freeRest() <= Money())
        throw Exception(AllSpentMessage);
    if (qData.isNull(u"spm_recipient"_s))
        throw Exception(u"Не указан получатель платежа"_s);
    if (qData.isNull(u"spm_cod_valut2"_s))
        throw Exception(u"Не указана валюта поставщика"_s);
}

Money TdmEditPayment::storedOtherPayments(qint64 pfId) const
{
    return Money::fromVariant(database().scalar(
        u"select coalesce(sum(spp_sum), 0) from scm_pfpayment where spp_pf_id = ? and spp_spm_id <> ?"_s,
        {pfId, m_spmId}));
}

Money TdmEditPayment::unpaidRest(qint64 pfId) const
{
    const Money total = Money::fromVariant(
        database().scalar(u"select pf_sum + pf_surcharge from scm_Proforma where pf_id = ?"_s, {pfId}));
    Money here;
    auto rows = Body.clone();
    const bool editing = Body.state() == Data::RowSetState::Edit;
    const auto mark = editing ? Body.bookmark() : 0;
    for (rows->first(); !rows->eof(); rows->next())
        if (!(editing && rows->bookmark() == mark) && rows->integer(Pf) == pfId)
            here += rows->money(PartSum);
    return total - storedOtherPayments(pfId) - here;
}

void TdmEditPayment::openChooser(Data::TRowSet& rows) const
{
    checkCanAdd();
    const Data::Dialect& d = database().dialect();
    Data::Query q(database(),
                  u"select pf.pf_id, pf.pf_date, pf.pf_dopnomer, pf.pf_snomer, pf.pf_sum + pf.pf_surcharge pf_total, "
                  "coalesce(t.paid, 0) paid from scm_Proforma pf left join (select spp_pf_id, sum(spp_sum) paid "
                  "from scm_pfpayment where spp_spm_id <> ? group by spp_pf_id) t on t.spp_pf_id = pf.pf_id "
                  "where pf.pf_supplier = ? and pf.pf_cod_valut = ? and %1 < %2 order by pf.pf_date, pf.pf_id"_s.arg(
                      d.roundedAmount(u"coalesce(t.paid, 0)"_s), d.roundedAmount(u"pf.pf_sum + pf.pf_surcharge"_s)));
    q.bindAll({m_spmId, qData.value(u"spm_recipient"_s), code(qData, u"spm_cod_valut2"_s)});
    rows.loadFrom(q);
    for (int i = 0; i < rows.fieldCount(); ++i) {
        Data::RowSetField& f = rows.field(i);
        f.readOnly = true;
        if (f.name == u"pf_total"_s || f.name == u"paid"_s)
            f.type = Data::FieldType::Money;
    }
    // The proformas this payment already holds are chosen.
    QSet<qint64> held;
    auto body = Body.clone();
    for (body->first(); !body->eof(); body->next())
        held.insert(body->integer(Pf));
    for (rows.first(); !rows.eof();) {
        if (held.contains(rows.integer(u"pf_id"_s)))
            rows.discardCurrent();
        else
            rows.next();
    }
    rows.first();
}

void TdmEditPayment::addProforma(qint64 pfId)
{
    qData.checkBrowseMode();
    Body.checkBrowseMode();
    checkCanAdd();
    auto held = Body.clone();
    if (held->locate({Pf}, {pfId}))
        throw Exception(u"Счет %1 уже есть в платеже"_s.arg(pfId));
    Data::Query q(database(), u"select pf_dopnomer, pf_snomer, pf_sum + pf_surcharge, pf_supplier, pf_cod_valut "
                              "from scm_Proforma where pf_id = ?"_s);
    q.bindAll({pfId}).exec();
    if (!q.next())
        throw Exception(u"Счет %1 не найден: он удален другим пользователем"_s.arg(pfId));
    if (q.integer(3) != qData.integer(u"spm_recipient"_s) || q.string(4) != code(qData, u"spm_cod_valut2"_s))
        throw Exception(u"Счет %1 выставлен другим поставщиком или в другой валюте"_s.arg(pfId));
    const Money owed = unpaidRest(pfId);
    if (owed <= Money())
        throw Exception(u"Счет %1 оплачен полностью"_s.arg(pfId));
    const Money sum = qMin(freeRest(), owed);
    Body.insert();
    try {
        Body.forceValue(Body.fieldIndex(Pf), pfId);
        Body.forceValue(Body.fieldIndex(PartSum), sum.toVariant());
        Body.forceValue(Body.fieldIndex(u"pf_dopnomer"_s), q.value(0));
        Body.forceValue(Body.fieldIndex(u"pf_snomer"_s), q.value(1));
        Body.forceValue(Body.fieldIndex(u"pf_total"_s), q.money(2).toVariant());
        Body.post();
    } catch (...) {
        if (Body.state() != Data::RowSetState::Browse)
            Body.cancel();
        throw;
    }
}

void TdmEditPayment::checkUndistributed() const
{
    if (!Body.clone()->isEmpty())
        throw Exception(DistributedMessage);
}

bool TdmEditPayment::validHeader(Data::TRowSet& rows, int field, const QVariant& value)
{
    const QString& name = rows.field(field).name;
    if (name.compare(u"spm_recipient"_s, Qt::CaseInsensitive) == 0 ||
        name.compare(u"spm_cod_valut2"_s, Qt::CaseInsensitive) == 0) {
        if (rows.value(field).toString() != value.toString())
            checkUndistributed();
    }
    if (name.compare(Sum2, Qt::CaseInsensitive) == 0 && !value.isNull()) {
        const Money v = Money::fromVariant(value);
        if (v <= Money())
            throw Exception(InvalidSumMessage);
        if (v < distributed())
            throw Exception(AllSpentMessage);
    }
    if (name.compare(u"spm_sum"_s, Qt::CaseInsensitive) == 0 && !value.isNull() && Money::fromVariant(value) <= Money())
        throw Exception(InvalidSumMessage);
    return true;
}

void TdmEditPayment::headerChanged(Data::TRowSet& rows, int field)
{
    if (m_loading)
        return;
    m_untouched = false;
    const QString name = rows.field(field).name.toLower();
    if (name == u"spm_sum"_s || name == u"spm_date"_s || name == u"spm_cod_valut"_s || name == u"spm_cod_valut2"_s)
        followSupplierSum(rows);
}

void TdmEditPayment::followSupplierSum(Data::TRowSet& rows)
{
    if (rows.isNull(u"spm_sum"_s) || rows.isNull(u"spm_date"_s) || rows.isNull(u"spm_cod_valut2"_s))
        return;
    const QString from = code(rows, u"spm_cod_valut"_s), to = code(rows, u"spm_cod_valut2"_s);
    const Money sum = rows.money(u"spm_sum"_s);
    const Money converted =
        from == to ? sum
                   : Catalog::CurrencyRates(database()).convert(from, to, rows.value(u"spm_date"_s).toDateTime().date(), sum);
    rows.forceValue(rows.fieldIndex(Sum2), converted.toVariant());
}

void TdmEditPayment::checkHeader(Data::TRowSet& rows)
{
    for (const Required& r : requiredFields())
        if (rows.isNull(r.field) || (rows.value(r.field).typeId() == QMetaType::QString &&
                                     !r.field.startsWith(u"spm_cod_valut"_s) && rows.string(r.field).trimmed().isEmpty()))
            throw Exception(u"Не заполнено поле \"%1\""_s.arg(r.caption));
    if (rows.money(u"spm_sum"_s) <= Money() || rows.money(Sum2) <= Money())
        throw Exception(InvalidSumMessage);
    if (rows.money(Sum2) < distributed())
        throw Exception(AllSpentMessage);
    rows.forceValue(rows.fieldIndex(u"spm_date"_s), rows.value(u"spm_date"_s).toDateTime());
}

void TdmEditPayment::checkRow(Data::TRowSet& rows)
{
    const Money sum = rows.money(PartSum);
    if (rows.isNull(PartSum) || sum <= Money())
        throw Exception(InvalidSumMessage);
    if (othersDistributed() + sum > qData.money(Sum2))
        throw Exception(AllSpentMessage);
    const qint64 pf = rows.integer(Pf);
    if (sum > unpaidRest(pf))
        throw Exception(OverpaidMessage.arg(pf));
}

void TdmEditPayment::postEdits()
{
    qData.checkBrowseMode();
    Body.checkBrowseMode();
}

QVariantList TdmEditPayment::headerValues() const
{
    return {qData.value(u"spm_payer"_s),    qData.value(u"spm_recipient"_s), qData.value(u"spm_date"_s),
            qData.money(u"spm_sum"_s).toVariant(), code(qData, u"spm_cod_valut"_s), qData.money(Sum2).toVariant(),
            code(qData, u"spm_cod_valut2"_s), qData.string(u"spm_inum"_s), qData.string(u"spm_snum"_s),
            qData.value(u"spm_nal"_s).toBool() ? 1 : 0};
}

void TdmEditPayment::writeChanges()
{
    Data::Database& db = database();
    const QDateTime now = saveTime();
    qData.first();
    if (qData.isEmpty())
        throw Exception(u"Нет платежа для сохранения"_s);
    QList<qint64> touched;
    auto pending = Body.clone();
    pending->setPendingOnly(true);
    for (pending->first(); !pending->eof(); pending->next())
        touched << pending->integer(Pf);
    // Payments of the same proformas from other workstations queue up here.
    for (qint64 pf : touched)
        Data::RowCountCheck::exec(db, u"update scm_Proforma set pf_id = pf_id where pf_id = ?"_s, {pf},
                                  u"Счет %1 удален другим пользователем"_s.arg(pf));
    qint64 id = m_spmId;
    QVariantList values = headerValues();
    if (!id) {
        const int user = Security::CurrentUserId();
        values << now << (user ? QVariant(user) : QVariant(QMetaType::fromType<int>()));
        id = db.insertReturning(u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, "
                                "spm_sum2, spm_cod_valut2, spm_inum, spm_snum, spm_nal, spm_updatedate, spm_user_id) "
                                "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                                u"spm_id"_s, values);
    } else if (qData.updateStatus() != Data::UpdateStatus::Unchanged) {
        values << now << id;
        Data::RowCountCheck::exec(db, u"update scm_payments set spm_payer = ?, spm_recipient = ?, spm_date = ?, "
                                      "spm_sum = ?, spm_cod_valut = ?, spm_sum2 = ?, spm_cod_valut2 = ?, spm_inum = ?, "
                                      "spm_snum = ?, spm_nal = ?, spm_updatedate = ? where spm_id = ?"_s,
                                  values, DeletedMessage);
    }
    QList<std::pair<qint64, Money>> inserts;
    for (pending->first(); !pending->eof(); pending->next()) {
        const qint64 pf = pending->integer(Pf);
        switch (pending->updateStatus()) {
        case Data::UpdateStatus::Deleted:
            Data::RowCountCheck::exec(db, u"delete from scm_pfpayment where spp_spm_id = ? and spp_pf_id = ?"_s,
                                      {id, pending->originalValue(Pf)}, ChangedElsewhereMessage);
            break;
        case Data::UpdateStatus::Modified:
            Data::RowCountCheck::exec(db, u"update scm_pfpayment set spp_sum = ? where spp_spm_id = ? and spp_pf_id = ?"_s,
                                      {pending->money(PartSum).toVariant(), id, pf}, ChangedElsewhereMessage);
            break;
        case Data::UpdateStatus::Inserted:
            inserts.push_back({pf, pending->money(PartSum)});
            break;
        default:
            break;
        }
    }
    for (const auto& [pf, sum] : inserts)
        db.exec(u"insert into scm_pfpayment (spp_spm_id, spp_pf_id, spp_sum) values (?, ?, ?)"_s,
                {id, pf, sum.toVariant()});
    m_writtenId = id;
    checkStoredLimits(touched);
}

void TdmEditPayment::checkStoredLimits(const QList<qint64>& proformas)
{
    Data::Database& db = database();
    const Data::Dialect& d = db.dialect();
    // What other workstations paid meanwhile counts too.
    for (qint64 pf : proformas) {
        const QVariant over = db.scalar(
            u"select count(*) from scm_Proforma where pf_id = ? and %1 > %2"_s.arg(
                d.roundedAmount(u"(select coalesce(sum(spp_sum), 0) from scm_pfpayment where spp_pf_id = pf_id)"_s),
                d.roundedAmount(u"pf_sum + pf_surcharge"_s)),
            {pf});
        if (over.toLongLong() > 0)
            throw Data::EDDMSaveError(OverpaidMessage.arg(pf));
    }
    const QVariant spent = db.scalar(
        u"select count(*) from scm_payments where spm_id = ? and %1 > %2"_s.arg(
            d.roundedAmount(u"(select coalesce(sum(spp_sum), 0) from scm_pfpayment where spp_spm_id = spm_id)"_s),
            d.roundedAmount(u"spm_sum2"_s)),
        {m_writtenId});
    if (spent.toLongLong() > 0)
        throw Data::EDDMSaveError(AllSpentMessage);
}

void TdmEditPayment::acceptChanges()
{
    m_spmId = m_writtenId;
    qData.acceptAll();
    Body.acceptAll();
    TDefferedDataModule::acceptChanges();
}

void TdmEditPayment::refreshAfterSave()
{
    loadPayment(m_spmId);
}

bool TdmEditPayment::saveDocument()
{
    const bool saved = save();
    if (saved)
        Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
    return saved;
}

void TdmEditPayment::cmdDeletePayment(Data::Database& db, qint64 spmId)
{
    Data::Transaction t(db);
    db.exec(u"delete from scm_pfpayment where spp_spm_id = ?"_s, {spmId});
    Data::RowCountCheck::exec(db, u"delete from scm_payments where spm_id = ?"_s, {spmId}, DeletedMessage);
    t.commit();
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
}

} // namespace Tarvo::Payments
