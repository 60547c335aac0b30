#include "Payments/paymentlist.h"

#include "Payments/paymentliststatement.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

PaymentList::PaymentList(Data::Database& db) : KeyRangeList(db, u"spm_id"_s)
{
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        if (ds.state() != Data::RowSetState::Edit)
            throw Exception(u"Платеж создается командой \"Новый\""_s);
        writeEdited();
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Платеж удаляется командой \"Удалить\""_s);
    };
}

const QStringList& PaymentList::editableColumns()
{
    static const QStringList c{u"spm_inum"_s, u"spm_snum"_s};
    return c;
}

Data::TQueryNodesPtr PaymentList::listStatement(const Registers::KeyRange& range) const
{
    return PaymentListStatement::build(database()->dialect(), filters(), range);
}

Data::TQueryNodesPtr PaymentList::batchEndStatement(const QVariant& after, int payments) const
{
    return PaymentListStatement::buildBatchEnd(filters(), after, payments);
}

void PaymentList::prepareFields()
{
    // SQLite gives computed columns no declared type: both engines show them as amounts.
    static const QStringList sums{u"spp_sum"_s, u"not_spp_sum"_s, u"spm_sum"_s, u"spm_sum2"_s};
    for (int i = 0; i < fieldCount(); ++i) {
        Data::RowSetField& f = field(i);
        f.readOnly = !editableColumns().contains(f.name, Qt::CaseInsensitive);
        if (sums.contains(f.name, Qt::CaseInsensitive))
            f.type = Data::FieldType::Money;
    }
}

void PaymentList::writeEdited()
{
    QStringList sets;
    QVariantList values;
    for (const QString& c : editableColumns()) {
        const QVariant now = value(c), before = originalValue(c);
        if (now.toString() == before.toString() && now.isNull() == before.isNull())
            continue;
        if (now.toString().trimmed().isEmpty())
            throw Exception(u"Номер платежа не может быть пустым"_s);
        sets << c + u" = ?"_s;
        values << now.toString();
    }
    if (sets.isEmpty())
        return;
    const qint64 id = integer(u"spm_id"_s);
    values << database()->serverTime() << id;
    Data::Query q(*database(), u"update scm_payments set %1, spm_updatedate = ? where spm_id = ?"_s.arg(sets.join(u", "_s)));
    q.bindAll(values).exec();
    if (q.numRowsAffected() == 0)
        throw Exception(u"Платеж %1 удален другим пользователем. Изменения не сохранены"_s.arg(id));
    if (m_onWritten)
        m_onWritten();
}

} // namespace Tarvo::Payments
