#include "BusOffer/offereditordocument.h"

#include "catalog/catalogtransaction.h"
#include "catalog/currency/currencyrates.h"
#include "catalog/currency/trubtovalactor.h"
#include "catalog/currency/tvaltorubactor.h"
#include "BusOffer/offereditorlineaccessor.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/rowcountcheck.h"
#include "data/modules/servererror.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "messaging/tourtvrexchange.h"
#include "security/currentuser.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

using Data::FieldType;
using Data::RowSetState;

const QString OfferEditorDocument::DuplicateProductMessage = u"Этот товар уже выбран в заявку"_s;
const QString OfferEditorDocument::LastLineMessage = u"Это последний товар. Удалите саму заявку"_s;
const QString OfferEditorDocument::DistributedLineMessage =
    u"Товар заявки уже распределен по заказам.\r\nУдаление невозможно"_s;
const QString OfferEditorDocument::BadDateMessage = u"Неверное значение даты"_s;
const QString OfferEditorDocument::SavedMessage = u"Заявка сохранена"_s;
const QString OfferEditorDocument::RequestDeletedMessage =
    u"Заявка удалена другим пользователем. Изменения не сохранены."_s;
const QString OfferEditorDocument::LineDeletedMessage =
    u"Товар удалён из заявки другим пользователем. Изменения строки не сохранены."_s;
const QString OfferEditorDocument::BadAdditionalNumberMessage =
    u"Дополнительный номер 1 должен быть целым числом от 0 до 2147483647."_s;

namespace {

QVariant nullInteger()
{
    return QVariant(QMetaType::fromType<qint64>());
}

QVariant nullDate()
{
    return QVariant(QMetaType::fromType<QDateTime>());
}

QVariant orNull(const QVariant& v, const QVariant& null)
{
    return v.isNull() ? null : v;
}

// An empty text is stored as such: a null QString would be bound as NULL.
QString text(const QString& s)
{
    return s.isNull() ? u""_s : s;
}

QVariant today()
{
    return QDateTime(QDate::currentDate(), QTime(0, 0));
}

QVariant moneyOrNull(const std::optional<Money>& m)
{
    return m ? m->toVariant() : QVariant(QMetaType::fromType<Money>());
}

std::optional<Money> optionalMoney(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    return Money::fromVariant(v);
}

Data::ServerErrorKind kindOf(const Data::DatabaseError& e)
{
    return Data::ServerError::classify(e.errors()).kind;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

// The header's written columns, in the order of the insert.
const QStringList& headerColumns()
{
    static const QStringList columns{u"bof_person"_s,  u"bof_date"_s,   u"bof_cod_valut"_s,
                                     u"bof_description"_s, u"bof_dopnomer"_s, u"bof_snomer"_s,
                                     u"Urgency_ID"_s,  u"bof_plan_start"_s, u"bof_plan_end"_s};
    return columns;
}

} // namespace

OfferEditorDocument::OfferEditorDocument(Data::Database& db) : m_db(db), m_lookups(db)
{
    defineFields();
    m_header.onWrite = [this](OfferEditorRowSet& h) { writeHeader(h); };
    m_lines.onWrite = [this](OfferEditorRowSet& l) { writeLine(l); };
    m_lines.onErase = [this](OfferEditorRowSet& l) { eraseLine(l); };
    m_lookups.reload();
}

OfferEditorDocument::~OfferEditorDocument() = default;

void OfferEditorDocument::defineFields()
{
    // In the order of the header statement.
    m_header.addField(u"Urgency_ID"_s, FieldType::Integer);
    m_header.addField(u"bof_id"_s, FieldType::Integer);
    m_header.addField(u"bof_person"_s, FieldType::Integer);
    m_header.addField(u"bof_date"_s, FieldType::DateTime);
    m_header.addField(u"bof_sum"_s, FieldType::Money);
    m_header.addField(u"bof_cod_valut"_s, FieldType::String, 8);
    m_header.addField(u"bof_sum_valut"_s, FieldType::Money);
    m_header.addField(u"bof_description"_s, FieldType::String, 100);
    m_header.addField(u"bof_dopnomer"_s, FieldType::Integer);
    m_header.addField(u"bof_snomer"_s, FieldType::String, 20);
    m_header.addField(u"bof_plan_start"_s, FieldType::DateTime);
    m_header.addField(u"bof_plan_end"_s, FieldType::DateTime);
    for (const QString& f : {u"bof_id"_s, u"bof_sum"_s, u"bof_sum_valut"_s})
        m_header.field(m_header.fieldIndex(f)).readOnly = true;

    // In the order of the lines statement.
    m_lines.addField(u"bpd_pr_id"_s, FieldType::Integer);
    m_lines.addField(u"bpd_amount"_s, FieldType::Money);
    m_lines.addField(u"bpd_deliverydate"_s, FieldType::DateTime);
    m_lines.addField(u"bpd_price"_s, FieldType::Money);
    m_lines.addField(u"bpd_sum"_s, FieldType::Money);
    m_lines.addField(u"pr_articul"_s, FieldType::String);
    m_lines.addField(u"pr_name"_s, FieldType::String);
    m_lines.addField(u"bpd_sum_valut"_s, FieldType::Money);
    m_lines.addField(u"bpd_description"_s, FieldType::String, 50);
    m_lines.addField(u"bpd_val_price"_s, FieldType::Money);
    // The sums follow from the prices and the amount.
    for (const QString& f : {u"bpd_pr_id"_s, u"pr_articul"_s, u"pr_name"_s, u"bpd_sum"_s, u"bpd_sum_valut"_s})
        m_lines.field(m_lines.fieldIndex(f)).readOnly = true;
}

qint64 OfferEditorDocument::bofId() const
{
    if (!m_open || (m_header.recNo() < 0 && m_header.state() != RowSetState::Insert))
        return 0;
    return m_header.value(u"bof_id"_s).toLongLong();
}

QString OfferEditorDocument::title() const
{
    return isSaved() ? u"Заявка %1"_s.arg(bofId()) : u"Новая заявка"_s;
}

OfferEditorDocument::Closing OfferEditorDocument::open(qint64 bofId)
{
    Closing closing = Closing::Nothing;
    if (m_open && bofId != 0 && bofId == this->bofId()) {
        postHeader();
        postLines();
    } else if (m_open) {
        closing = close();
    }
    load(bofId);
    return closing;
}

void OfferEditorDocument::load(qint64 bofId)
{
    m_open = false;
    m_header.reset();
    m_lines.reset();
    if (bofId == 0) {
        startNew();
        return;
    }
    Data::Query h(m_db, u"select Urgency_ID, bof_id, bof_person, bof_date, bof_sum, bof_cod_valut, bof_sum_valut, "
                        "bof_description, bof_dopnomer, bof_snomer, bof_plan_start, bof_plan_end "
                        "from scm_business_offer where bof_id = ?"_s);
    h.bindAll({bofId});
    m_header.load(h);
    if (m_header.isEmpty())
        throw Exception(u"Заявка %1 не найдена: её удалили"_s.arg(bofId));
    m_open = true;
    m_header.edit();
    reloadLines();
    m_direction = currencyCode().isEmpty() ? Direction::RoublesToCurrency : Direction::CurrencyToRoubles;
}

void OfferEditorDocument::startNew()
{
    m_createdHere = false;
    m_open = true;
    m_header.insert();
    m_header.setValue(u"bof_date"_s, today());
    m_header.forceField(u"bof_sum"_s, Money().toVariant());
    m_header.forceField(u"bof_sum_valut"_s, Money().toVariant());
    m_header.setValue(u"bof_description"_s, QString());
    m_header.setValue(u"bof_cod_valut"_s, QString());
    m_header.setValue(u"bof_dopnomer"_s, nextAdditionalNumber(m_db));
    m_direction = Direction::RoublesToCurrency;
}

void OfferEditorDocument::reloadLines()
{
    const QVariant product = m_lines.recNo() >= 0 ? m_lines.value(u"bpd_pr_id"_s) : QVariant();
    Data::Query q(m_db, linesStatement());
    q.bindAll({bofId()});
    m_lines.load(q);
    if (product.isValid())
        m_lines.locate({u"bpd_pr_id"_s}, {product});
}

QString OfferEditorDocument::linesStatement() const
{
    const Data::Dialect& d = m_db.dialect();
    // No price of a zero amount (the division would fail on PostgreSQL); 1.0 keeps SQLite from
    // dividing whole numbers as integers.
    return u"select bpd_pr_id, bpd_amount, bpd_deliverydate, %1 bpd_price, bpd_sum, pr_articul, "
           "pr_name, bpd_sum_valut, bpd_description, %2 bpd_val_price "
           "from scm_bp_delivery join crm_product on bpd_pr_id = pr_id "
           "where bpd_bof_id = ? order by pr_articul, bpd_pr_id"_s
        .arg(d.roundedAmount(u"1.0 * bpd_sum / nullif(bpd_amount, 0)"_s),
             d.roundedAmount(u"1.0 * bpd_sum_valut / nullif(bpd_amount, 0)"_s));
}

QList<OfferEditorDocument::StoredLine> OfferEditorDocument::storedLines() const
{
    // Columns as in the lines statement.
    Data::Query q(m_db, linesStatement());
    q.bindAll({bofId()});
    q.exec();
    QList<StoredLine> lines;
    while (q.next()) {
        StoredLine l;
        l.product = q.value(0);
        l.values.amount = Money::fromVariant(q.value(1));
        l.values.price = optionalMoney(q.value(3));
        l.values.sum = Money::fromVariant(q.value(4));
        l.values.sumValut = Money::fromVariant(q.value(7));
        l.values.valPrice = optionalMoney(q.value(9));
        lines << l;
    }
    return lines;
}

void OfferEditorDocument::setHeaderValue(const QString& field, const QVariant& value)
{
    if (!m_open)
        return;
    if (field.compare(u"bof_dopnomer"_s, Qt::CaseInsensitive) == 0)
        checkAdditionalNumber(value);
    if (m_header.state() == RowSetState::Browse)
        m_header.edit();
    m_header.setValue(field, value);
}

void OfferEditorDocument::checkAdditionalNumber(const QVariant& value)
{
    if (value.isNull())
        return;
    // The column is a 32-bit integer on PostgreSQL; SQLite would store anything.
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok || n < 0 || n > std::numeric_limits<qint32>::max())
        throw Exception(BadAdditionalNumberMessage);
}

void OfferEditorDocument::postHeader()
{
    if (!m_open || m_header.state() == RowSetState::Browse)
        return;
    if (m_header.state() == RowSetState::Edit && !m_header.modified())
        return;
    m_header.post();
    m_header.edit();
    announce();
}

void OfferEditorDocument::postLines()
{
    if (m_lines.state() == RowSetState::Browse)
        return;
    if (m_lines.modified())
        m_lines.post();
    else
        m_lines.cancel();
}

void OfferEditorDocument::writeHeader(OfferEditorRowSet& h)
{
    Catalog::CatalogTransaction tx(m_db);
    const HeaderWritten written = writeHeaderRow(h);
    tx.commit();
    takeOver(h, written);
}

OfferEditorDocument::HeaderWritten OfferEditorDocument::writeHeaderRow(OfferEditorRowSet& h)
{
    const QVariant date = h.value(u"bof_date"_s);
    if (date.isNull() || !date.toDateTime().isValid() || date.toDateTime().date().year() < 1900)
        throw Exception(BadDateMessage);
    const QVariant start = h.value(u"bof_plan_start"_s);
    const QVariant end = h.value(u"bof_plan_end"_s);
    if (!start.isNull() && !end.isNull() && start.toDateTime() > end.toDateTime())
        throw Exception(u"Неверный интервал плана: дата «по» раньше даты «с»"_s);
    if (h.isNull(u"bof_person"_s) || h.integer(u"bof_person"_s) == 0)
        throw Exception(u"Не указано, от кого заявка"_s);
    checkAdditionalNumber(h.value(u"bof_dopnomer"_s));

    HeaderWritten written;
    qint64 person = h.integer(u"bof_person"_s);
    if (person < 0) {
        // A counterparty of the warehouse list not known here when the editor read the list.
        const QString code = m_lookups.counterpartyCode(person);
        if (code.isEmpty())
            throw Exception(u"Контрагент не найден, выберите его снова"_s);
        person = registeredPartner(code);
        written.registeredPerson = person;
    }
    // A value as its column receives it (an empty text for none).
    auto stored = [](const QString& column, const QVariant& v) -> QVariant {
        if (column == u"bof_cod_valut"_s || column == u"bof_description"_s || column == u"bof_snomer"_s)
            return text(v.toString());
        if (column == u"bof_dopnomer"_s || column == u"Urgency_ID"_s)
            return orNull(v, nullInteger());
        if (column == u"bof_plan_start"_s || column == u"bof_plan_end"_s)
            return orNull(v, nullDate());
        return v;
    };
    auto bound = [&](const QString& column) -> QVariant {
        return column == u"bof_person"_s ? QVariant(person) : stored(column, h.value(column));
    };

    const qint64 id = h.integer(u"bof_id"_s);
    const QString now = m_db.dialect().currentTime();
    if (h.state() == RowSetState::Insert || id == 0) {
        QVariantList params;
        for (const QString& c : headerColumns())
            params << bound(c);
        const int user = Security::CurrentUserId();
        params << (user > 0 ? QVariant(qint64(user)) : nullInteger());
        written.insertedId = m_db.insertReturning(
            u"insert into scm_business_offer (%1, bof_user_id, bof_createdate, bof_updatedate) "
            "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, %2, %2)"_s.arg(headerColumns().join(u", "_s), now),
            u"bof_id"_s, params);
        return written;
    }

    // Only what this editor changed: another workstation's save of the other fields stays.
    QStringList sets;
    QVariantList params;
    for (const QString& c : headerColumns()) {
        if (sameValue(stored(c, h.value(c)), stored(c, h.originalValue(c))))
            continue;
        sets << c + u" = ?"_s;
        params << bound(c);
    }
    if (sets.isEmpty())
        return written;
    params << id;
    Data::RowCountCheck::exec(
        m_db, u"update scm_business_offer set %1, bof_updatedate = %2 where bof_id = ?"_s.arg(sets.join(u", "_s), now),
        params, RequestDeletedMessage);
    return written;
}

void OfferEditorDocument::takeOver(OfferEditorRowSet& h, const HeaderWritten& written)
{
    if (written.registeredPerson) {
        h.setValue(u"bof_person"_s, written.registeredPerson);
        m_lookups.reloadCounterparties();
    }
    if (written.insertedId) {
        h.forceField(u"bof_id"_s, written.insertedId);
        m_createdHere = true;
    }
}

qint64 OfferEditorDocument::registeredPartner(const QString& code)
{
    // Another workstation may have registered it meanwhile (or be doing so now: the insert waits
    // for it and then does nothing); its row is the one to use.
    const QString find = u"select par_ID from scm_partner where par_nuser = ?"_s;
    QVariant par = m_db.scalar(find, {code});
    if (par.isNull()) {
        m_db.exec(u"insert into scm_partner (par_nuser) values (?) on conflict (par_nuser) do nothing"_s, {code});
        par = m_db.scalar(find, {code});
    }
    if (par.isNull())
        throw Exception(u"Контрагент не найден, выберите его снова"_s);
    return par.toLongLong();
}

void OfferEditorDocument::writeLine(OfferEditorRowSet& l)
{
    const qint64 offer = bofId();
    if (offer == 0)
        throw Exception(u"Сначала сохраните заявку"_s);
    const QVariant date = orNull(l.value(u"bpd_deliverydate"_s), nullDate());
    if (!date.isNull() && (!date.toDateTime().isValid() || date.toDateTime().date().year() < 1900))
        throw Exception(BadDateMessage);
    const Money amount = l.money(u"bpd_amount"_s);
    if (amount < Money())
        throw Exception(u"Количество не может быть отрицательным"_s);
    const QVariant product = l.value(u"bpd_pr_id"_s);
    try {
        Catalog::CatalogTransaction tx(m_db);
        if (l.state() == RowSetState::Insert) {
            m_db.exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount, bpd_deliverydate, bpd_sum, "
                      "bpd_sum_valut) values (?, ?, ?, ?, ?, ?)"_s,
                      {offer, product, amount.toVariant(), date, l.money(u"bpd_sum"_s).toVariant(),
                       l.money(u"bpd_sum_valut"_s).toVariant()});
        }
        if (l.state() == RowSetState::Edit || !l.string(u"bpd_description"_s).isEmpty()) {
            Data::RowCountCheck::exec(
                m_db,
                u"update scm_bp_delivery set bpd_amount = ?, bpd_deliverydate = ?, bpd_sum = ?, "
                "bpd_sum_valut = ?, bpd_description = ? where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                {amount.toVariant(), date, l.money(u"bpd_sum"_s).toVariant(), l.money(u"bpd_sum_valut"_s).toVariant(),
                 text(l.string(u"bpd_description"_s)), offer, product},
                [this] { return lineGone(); });
        }
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (kindOf(e) == Data::ServerErrorKind::PrimaryKey)
            throw Exception(DuplicateProductMessage);
        // A line added to a request deleted meanwhile.
        if (kindOf(e) == Data::ServerErrorKind::Reference && !requestExists())
            throw Exception(RequestDeletedMessage);
        throw;
    }
    refreshTotals();
    announce();
}

void OfferEditorDocument::eraseLine(OfferEditorRowSet& l)
{
    try {
        Catalog::CatalogTransaction tx(m_db);
        Data::RowCountCheck::exec(m_db, u"delete from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                                  {bofId(), l.value(u"bpd_pr_id"_s)}, [this] { return lineGone(); });
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (kindOf(e) == Data::ServerErrorKind::Reference)
            throw Exception(DistributedLineMessage);
        throw;
    }
    refreshTotals();
    announce();
}

QString OfferEditorDocument::lineGone() const
{
    return requestExists() ? LineDeletedMessage : RequestDeletedMessage;
}

bool OfferEditorDocument::requestExists() const
{
    return m_db.scalar(u"select count(*) from scm_business_offer where bof_id = ?"_s, {bofId()}).toInt() > 0;
}

void OfferEditorDocument::refreshTotals()
{
    Data::Query q(m_db, u"select bof_sum, bof_sum_valut from scm_business_offer where bof_id = ?"_s);
    q.bindAll({bofId()});
    q.exec();
    if (!q.next())
        return;
    m_header.storeReadBack({{u"bof_sum"_s, q.money(0).toVariant()}, {u"bof_sum_valut"_s, q.money(1).toVariant()}});
}

QString OfferEditorDocument::currencyCode() const
{
    return m_header.string(u"bof_cod_valut"_s);
}

QDate OfferEditorDocument::offerDate() const
{
    const QDate d = m_header.value(u"bof_date"_s).toDateTime().date();
    return d.isValid() ? d : QDate::currentDate();
}

QString OfferEditorDocument::storedCode() const
{
    return m_db.scalar(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {bofId()}).toString();
}

OfferEditorLineValues OfferEditorDocument::lineValues() const
{
    OfferEditorLineValues v;
    v.amount = m_lines.money(u"bpd_amount"_s);
    v.price = optionalMoney(m_lines.value(u"bpd_price"_s));
    v.sum = m_lines.money(u"bpd_sum"_s);
    v.valPrice = optionalMoney(m_lines.value(u"bpd_val_price"_s));
    v.sumValut = m_lines.money(u"bpd_sum_valut"_s);
    return v;
}

void OfferEditorDocument::storeLineValues(const OfferEditorLineValues& v)
{
    m_lines.setValue(u"bpd_price"_s, moneyOrNull(v.price));
    m_lines.setValue(u"bpd_val_price"_s, moneyOrNull(v.valPrice));
    m_lines.forceField(u"bpd_sum"_s, v.sum.toVariant());
    m_lines.forceField(u"bpd_sum_valut"_s, v.sumValut.toVariant());
}

void OfferEditorDocument::convert(OfferEditorLineValues& v, Direction direction, const QString& code,
                                  const QDate& date) const
{
    OfferEditorLineAccessor accessor(v, code, date);
    if (direction == Direction::RoublesToCurrency)
        Catalog::TRubToValActor(accessor, m_db).changed();
    else
        Catalog::TValToRubActor(accessor, m_db).changed();
}

void OfferEditorDocument::lineEdited(const QString& field)
{
    if (m_lines.state() == RowSetState::Browse)
        return;
    OfferEditorLineValues v = lineValues();
    if (field.compare(u"bpd_price"_s, Qt::CaseInsensitive) == 0)
        convert(v, Direction::RoublesToCurrency, currencyCode(), offerDate());
    else if (field.compare(u"bpd_val_price"_s, Qt::CaseInsensitive) == 0)
        convert(v, Direction::CurrencyToRoubles, currencyCode(), offerDate());
    else if (field.compare(u"bpd_amount"_s, Qt::CaseInsensitive) == 0)
        convert(v, m_direction, currencyCode(), offerDate());
    else
        return;
    storeLineValues(v);
}

void OfferEditorDocument::addProduct(const Messaging::TOurTvrExchange& product)
{
    postHeader();
    if (!isSaved())
        throw Exception(u"Сначала сохраните заявку"_s);
    postLines();

    OfferEditorLineValues v;
    v.amount = Money(1);
    const QString code = currencyCode();
    if (m_direction == Direction::RoublesToCurrency) {
        v.price = product.price;
    } else {
        // The product's own currency price when it has one, else its rouble price, in the
        // request's currency.
        Catalog::CurrencyRates rates(m_db);
        const bool own = product.inCurrency && !product.currencyCode.isEmpty();
        v.valPrice = rates.convert(own ? product.currencyCode : QString(), code, offerDate(),
                                   own ? product.valPrice : product.price);
    }
    convert(v, m_direction, code, offerDate());

    m_lines.insert();
    try {
        m_lines.forceField(u"bpd_pr_id"_s, product.productId);
        m_lines.forceField(u"pr_articul"_s, product.articul);
        m_lines.forceField(u"pr_name"_s, product.name);
        m_lines.setValue(u"bpd_deliverydate"_s, today());
        m_lines.setValue(u"bpd_amount"_s, v.amount.toVariant());
        m_lines.setValue(u"bpd_description"_s, QString());
        storeLineValues(v);
        m_lines.post();
    } catch (...) {
        m_lines.cancel();
        throw;
    }
}

void OfferEditorDocument::deleteCurrentLine()
{
    if (m_lines.state() == RowSetState::Insert) {
        m_lines.cancel();
        return;
    }
    if (m_lines.state() == RowSetState::Edit)
        m_lines.cancel();
    if (m_lines.recNo() < 0)
        return;
    // An existing request is removed as a whole from the list, with its own confirmation and
    // right; here it may not be emptied.
    if (m_lines.recordCount() == 1 && !m_createdHere)
        throw Exception(LastLineMessage);
    m_lines.remove();
}

void OfferEditorDocument::setLineDate(const QDate& date)
{
    postHeader();
    if (m_lines.recNo() < 0 && m_lines.state() != RowSetState::Insert)
        return;
    const bool editing = m_lines.state() != RowSetState::Browse;
    if (!editing)
        m_lines.edit();
    m_lines.setValue(u"bpd_deliverydate"_s, QDateTime(date, QTime(0, 0)));
    if (!editing) {
        try {
            m_lines.post();
        } catch (...) {
            m_lines.cancel();
            throw;
        }
    }
}

void OfferEditorDocument::setAllDates()
{
    postLines();
    if (m_lines.recNo() < 0)
        return;
    const QVariant date = m_lines.value(u"bpd_deliverydate"_s);
    const int keep = m_lines.recNo();
    try {
        Catalog::CatalogTransaction tx(m_db);
        for (int i = 0; i < m_lines.recordCount(); ++i) {
            m_lines.moveTo(i);
            if (m_lines.value(u"bpd_deliverydate"_s) == date)
                continue;
            m_lines.edit();
            m_lines.setValue(u"bpd_deliverydate"_s, date);
            m_lines.post();
        }
        tx.commit();
    } catch (...) {
        if (m_lines.state() != RowSetState::Browse)
            m_lines.cancel();
        // What the rollback undid must not stay on screen.
        reloadLines();
        refreshTotals();
        throw;
    }
    m_lines.moveTo(keep);
}

void OfferEditorDocument::changeCurrency(const QString& code)
{
    if (!m_open || code == currencyCode())
        return;
    if (!isSaved()) {
        setHeaderValue(u"bof_cod_valut"_s, code);
        return;
    }
    postLines();
    const QString shown = currencyCode();

    // A quotation the user has to enter is asked before anything is locked (the dialog stores
    // it for the computation below), and a cancel leaves nothing to undo.
    if (!m_lines.isEmpty()) {
        Catalog::CurrencyRates rates(m_db);
        if (m_direction == Direction::CurrencyToRoubles)
            rates.rate(storedCode(), offerDate());
        rates.rate(code, offerDate());
    }

    setHeaderValue(u"bof_cod_valut"_s, code);
    HeaderWritten written;
    try {
        Catalog::CatalogTransaction tx(m_db);
        // Taking the header row first holds the other workstations' line writes (their totals
        // update it) until the lines read below are written back.
        Data::RowCountCheck::exec(m_db,
                                  u"update scm_business_offer set bof_updatedate = %1 where bof_id = ?"_s.arg(
                                      m_db.dialect().currentTime()),
                                  {bofId()}, RequestDeletedMessage);
        const QString before = storedCode();
        written = writeHeaderRow(m_header);
        const QDate date = m_db.scalar(u"select bof_date from scm_business_offer where bof_id = ?"_s, {bofId()})
                               .toDateTime()
                               .date();
        // The sums follow from the lines as stored, not as this editor read them.
        Catalog::CurrencyRates rates(m_db);
        for (StoredLine& l : storedLines()) {
            if (m_direction == Direction::CurrencyToRoubles)
                l.values.valPrice = rates.convert(before, code, date, l.values.valPrice.value_or(Money()));
            convert(l.values, m_direction, code, date);
            Data::RowCountCheck::exec(
                m_db, u"update scm_bp_delivery set bpd_sum = ?, bpd_sum_valut = ? where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                {l.values.sum.toVariant(), l.values.sumValut.toVariant(), bofId(), l.product}, LineDeletedMessage);
        }
        tx.commit();
    } catch (...) {
        m_header.setValue(u"bof_cod_valut"_s, shown);
        throw;
    }
    takeOver(m_header, written);
    m_header.postWritten();
    m_header.edit();
    refreshTotals();
    reloadLines();
    announce();
}

int OfferEditorDocument::lineCountInDatabase() const
{
    return m_db.scalar(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {bofId()}).toInt();
}

OfferEditorDocument::Closing OfferEditorDocument::close()
{
    if (!m_open)
        return Closing::Nothing;
    if (!isSaved()) {
        // A new request never saved: nothing of it is in the database.
        discard();
        return Closing::Nothing;
    }
    postHeader();
    postLines();
    Closing result = Closing::Saved;
    if (m_createdHere && lineCountInDatabase() == 0) {
        Data::RowCountCheck::exec(m_db, u"delete from scm_business_offer where bof_id = ?"_s, {bofId()},
                                  RequestDeletedMessage);
        announce();
        result = Closing::DeletedEmpty;
    } else if (!requestExists()) {
        // Nothing was pending, yet "saved" would not be true of a request that is gone.
        throw Exception(RequestDeletedMessage);
    }
    discard();
    return result;
}

void OfferEditorDocument::discard()
{
    m_header.reset();
    m_lines.reset();
    m_open = false;
    m_createdHere = false;
}

qint64 OfferEditorDocument::nextAdditionalNumber(Data::Database& db)
{
    const QVariant max = db.scalar(u"select max(bof_dopnomer) from scm_business_offer"_s);
    return max.isNull() ? 1 : max.toLongLong() + 1;
}

void OfferEditorDocument::announce()
{
    Messaging::TMessageServer::instance().sendChangeNotice(Messaging::ChangeEvents::BusinessOffers);
}

} // namespace Tarvo::BusOffer
