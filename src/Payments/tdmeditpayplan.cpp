#include "Payments/tdmeditpayplan.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/rowcountcheck.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

const QString TdmEditPayPlan::AllDistributedMessage = u"Вся сумма распределена"_s;
const QString TdmEditPayPlan::InvalidSumMessage = u"Недопустимое значение суммы"_s;
const QString TdmEditPayPlan::DateTakenMessage = u"На эту дату уже есть платеж по графику"_s;
const QString TdmEditPayPlan::ChangedElsewhereMessage = u"График оплат изменен другим пользователем"_s;
const QString TdmEditPayPlan::NoPercentMessage =
    u"Сумма счета равна нулю: процент оплаты задать нельзя, укажите сумму"_s;
const QString TdmEditPayPlan::DateMissingMessage = u"Не указана дата оплаты"_s;

namespace {

const QString Date = u"sps_date"_s;
const QString Sum = u"sps_sum"_s;
const QString Percent = u"prcnt"_s;

QDateTime dayOf(const QVariant& v)
{
    return QDateTime(v.toDateTime().date(), QTime(0, 0));
}

} // namespace

TdmEditPayPlan::TdmEditPayPlan(Data::Database* db, QObject* parent) : TDefferedDataModule(db, parent)
{
    dsBody.addField(Date, Data::FieldType::DateTime);
    dsBody.addField(Sum, Data::FieldType::Money);
    dsBody.addField(Percent, Data::FieldType::Money);
    dsBody.field(0).displayLabel = u"Дата оплаты"_s;
    dsBody.field(1).displayLabel = u"Сумма оплаты"_s;
    dsBody.field(2).displayLabel = u"% оплаты"_s;
    dsBody.field(2).displayFormat = u"0"_s;
    dsBody.onNewRecord = [this](Data::TRowSet& r) { newRow(r); };
    dsBody.beforePost = [this](Data::TRowSet& r) { checkRow(r); };
    dsBody.validate = [this](Data::TRowSet& r, int f, const QVariant& v) { return validValue(r, f, v); };
    dsBody.onFieldChange = [this](Data::TRowSet& r, int f) { fieldChanged(r, f); };
    dsBody.onChanged = [this] {
        if (!m_loading && dsBody.hasPendingChanges())
            setModified(true);
    };
}

Money TdmEditPayPlan::percentOf(Money sum, Money percent)
{
    const __int128 n = __int128(sum.raw()) * percent.raw();
    const __int128 d = __int128(100) * Money::Scale;
    const __int128 q = (n < 0 ? n - d / 2 : n + d / 2) / d;
    return Money::fromRaw(int64_t(q));
}

void TdmEditPayPlan::loadPlan(qint64 pfId)
{
    Data::Database& db = database();
    Data::Query head(db, u"select pf.*, p.par_nuser supplier, n.name_user from scm_Proforma pf "
                         "join scm_partner p on p.par_id = pf.pf_supplier "
                         "left join _partner n on n.n_user = p.par_nuser where pf.pf_id = ?"_s);
    head.bindAll({pfId});
    dsHead.loadFrom(head);
    if (dsHead.isEmpty())
        throw Exception(u"Счет %1 не найден: он удален другим пользователем"_s.arg(pfId));
    m_pfId = pfId;
    m_pfSum = dsHead.money(u"pf_sum"_s);
    m_loading = true;
    dsBody.clearRows();
    Data::Query plan(db, u"select sps_date, sps_sum from scm_payshedule where sps_pf_id = ? order by sps_date"_s);
    plan.bindAll({pfId}).exec();
    while (plan.next()) {
        const Money sum = plan.money(1);
        dsBody.appendLoaded({plan.dateTime(0), sum.toVariant(),
                             m_pfSum.isZero() ? QVariant() : (sum * Money(100) / m_pfSum).toVariant()});
    }
    dsBody.first();
    m_loading = false;
    setModified(false);
}

Money TdmEditPayPlan::othersTotal(int* count) const
{
    Money t;
    int n = 0;
    auto rows = dsBody.clone();
    const bool editing = dsBody.state() == Data::RowSetState::Edit;
    const auto editedMark = editing ? dsBody.bookmark() : 0;
    for (rows->first(); !rows->eof(); rows->next()) {
        if (editing && rows->bookmark() == editedMark)
            continue;
        t += rows->money(Sum);
        ++n;
    }
    if (count)
        *count = n;
    return t;
}

Money TdmEditPayPlan::total() const
{
    Money t = othersTotal();
    if (dsBody.state() != Data::RowSetState::Browse)
        t += dsBody.money(Sum);
    return t;
}

QDate TdmEditPayPlan::proposedDate() const
{
    const QDate today = QDate::currentDate();
    QDate last;
    bool taken = false;
    auto rows = dsBody.clone();
    for (rows->first(); !rows->eof(); rows->next()) {
        const QDate d = rows->value(Date).toDateTime().date();
        taken = taken || d == today;
        if (!last.isValid() || d > last)
            last = d;
    }
    return taken ? last.addDays(1) : today;
}

void TdmEditPayPlan::newRow(Data::TRowSet& rows)
{
    const Money rest = m_pfSum - othersTotal();
    if (rest <= Money())
        throw Exception(AllDistributedMessage);
    rows.forceValue(rows.fieldIndex(Date), QDateTime(proposedDate(), QTime(0, 0)));
    rows.forceValue(rows.fieldIndex(Sum), rest.toVariant());
    if (!m_pfSum.isZero())
        rows.forceValue(rows.fieldIndex(Percent), (rest * Money(100) / m_pfSum).toVariant());
}

bool TdmEditPayPlan::validValue(Data::TRowSet& rows, int field, const QVariant& value)
{
    Q_UNUSED(rows);
    const QString& name = dsBody.field(field).name;
    if (name == Percent && m_pfSum.isZero())
        throw Exception(NoPercentMessage);
    if ((name == Percent || name == Sum) && (value.isNull() || Money::fromVariant(value) <= Money()))
        throw Exception(InvalidSumMessage);
    return true;
}

void TdmEditPayPlan::fieldChanged(Data::TRowSet& rows, int field)
{
    const QString& name = rows.field(field).name;
    if (name == Sum) {
        const Money sum = rows.money(Sum);
        rows.forceValue(rows.fieldIndex(Percent),
                        m_pfSum.isZero() ? QVariant() : (sum * Money(100) / m_pfSum).toVariant());
    } else if (name == Percent) {
        int others = 0;
        const Money rest = m_pfSum - othersTotal(&others);
        Money sum = percentOf(m_pfSum, rows.money(Percent));
        // Percentages rounded at the fourth decimal would miss the total by a few units.
        if ((sum - rest).abs() <= Money::fromRaw(others + 1))
            sum = rest;
        rows.forceValue(rows.fieldIndex(Sum), sum.toVariant());
    }
}

void TdmEditPayPlan::checkRow(Data::TRowSet& rows)
{
    if (rows.isNull(Date))
        throw Exception(DateMissingMessage);
    const Money sum = rows.money(Sum);
    if (rows.isNull(Sum) || sum <= Money())
        throw Exception(InvalidSumMessage);
    rows.forceValue(rows.fieldIndex(Date), dayOf(rows.value(Date)));
    const QDate day = rows.value(Date).toDateTime().date();
    auto all = dsBody.clone();
    const bool editing = rows.state() == Data::RowSetState::Edit;
    const auto mark = editing ? rows.bookmark() : 0;
    for (all->first(); !all->eof(); all->next())
        if (!(editing && all->bookmark() == mark) && all->value(Date).toDateTime().date() == day)
            throw Exception(DateTakenMessage);
    if (othersTotal() + sum > m_pfSum)
        throw Exception(AllDistributedMessage);
}

void TdmEditPayPlan::postEdits()
{
    dsBody.checkBrowseMode();
}

void TdmEditPayPlan::writeChanges()
{
    Data::Database& db = database();
    // Two workstations planning one proforma queue up here.
    Data::RowCountCheck::exec(db, u"update scm_Proforma set pf_id = pf_id where pf_id = ?"_s, {m_pfId},
                              u"Счет %1 удален другим пользователем"_s.arg(m_pfId));
    const QDateTime now = saveTime();
    auto pending = dsBody.clone();
    pending->setPendingOnly(true);
    struct Row
    {
        QDateTime date;
        Money sum;
    };
    QList<Row> inserts;
    // Deletes and moved rows leave their old keys first, so that two dates can swap.
    for (pending->first(); !pending->eof(); pending->next()) {
        const auto status = pending->updateStatus();
        const QDateTime oldDate = dayOf(pending->originalValue(Date));
        const QDateTime date = dayOf(pending->value(Date));
        if (status == Data::UpdateStatus::Deleted ||
            (status == Data::UpdateStatus::Modified && oldDate != date))
            Data::RowCountCheck::exec(db, u"delete from scm_payshedule where sps_pf_id = ? and sps_date = ?"_s,
                                      {m_pfId, oldDate}, ChangedElsewhereMessage);
        if (status == Data::UpdateStatus::Inserted || (status == Data::UpdateStatus::Modified && oldDate != date))
            inserts << Row{date, pending->money(Sum)};
        else if (status == Data::UpdateStatus::Modified)
            Data::RowCountCheck::exec(
                db, u"update scm_payshedule set sps_sum = ?, sps_updatedate = ? where sps_pf_id = ? and sps_date = ?"_s,
                {pending->money(Sum).toVariant(), now, m_pfId, oldDate}, ChangedElsewhereMessage);
    }
    for (const Row& r : inserts) {
        const QString sp = db.setSavepoint();
        try {
            db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum, sps_updatedate) values (?, ?, ?, ?)"_s,
                    {m_pfId, r.date, r.sum.toVariant(), now});
        } catch (const Data::DatabaseError& e) {
            db.rollbackToSavepoint(sp);
            if (e.nativeError() == 2627)
                throw Data::EDDMSaveError(DateTakenMessage + u" (%1)"_s.arg(r.date.toString(u"dd.MM.yyyy"_s)));
            throw;
        }
        db.releaseSavepoint(sp);
    }
    // What another workstation planned meanwhile counts too.
    const Data::Dialect& d = db.dialect();
    const QVariant over = db.scalar(u"select count(*) from scm_Proforma where pf_id = ? and %1 > %2"_s.arg(
                                        d.roundedAmount(u"(select coalesce(sum(sps_sum), 0) from scm_payshedule "
                                                        "where sps_pf_id = pf_id)"_s),
                                        d.roundedAmount(u"pf_sum"_s)),
                                    {m_pfId});
    if (over.toLongLong() > 0)
        throw Data::EDDMSaveError(AllDistributedMessage);
}

void TdmEditPayPlan::acceptChanges()
{
    dsBody.acceptAll();
    TDefferedDataModule::acceptChanges();
}

void TdmEditPayPlan::refreshAfterSave()
{
    const int row = dsBody.recNo();
    loadPlan(m_pfId);
    dsBody.moveTo(qMax(0, row));
}

bool TdmEditPayPlan::saveDocument()
{
    const bool saved = save();
    if (saved)
        Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::AcceptedOrders);
    return saved;
}

} // namespace Tarvo::Payments
