#include "BusOffer/offereditordocument.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "messaging/changeevents.h"
#include "messaging/tourtvrexchange.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

using Data::FieldType;

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

EditorDocumentLayout OfferEditorDocument::requestLayout()
{
    EditorDocumentLayout l;
    l.headerTable = u"scm_business_offer"_s;
    l.prefix = u"bof_"_s;
    l.linesTable = u"scm_bp_delivery"_s;
    l.linePrefix = u"bpd_"_s;
    l.lineOwner = u"bpd_bof_id"_s;
    l.headerColumns = {u"bof_person"_s,   u"bof_date"_s,   u"bof_cod_valut"_s,  u"bof_description"_s, u"bof_dopnomer"_s,
                       u"bof_snomer"_s,   u"Urgency_ID"_s, u"bof_plan_start"_s, u"bof_plan_end"_s};
    l.lineColumns = {u"bpd_description"_s};
    l.savedTitle = u"Заявка %1"_s;
    l.newTitle = u"Новая заявка"_s;
    l.notFound = u"Заявка %1 не найдена: её удалили"_s;
    l.saveFirst = u"Сначала сохраните заявку"_s;
    l.duplicateProduct = DuplicateProductMessage;
    l.lastLine = LastLineMessage;
    l.lineInWork = DistributedLineMessage;
    l.badDate = BadDateMessage;
    l.documentDeleted = RequestDeletedMessage;
    l.lineDeleted = LineDeletedMessage;
    l.badAdditionalNumber = BadAdditionalNumberMessage;
    l.saved = SavedMessage;
    l.notSaved = u"Заявка не сохранена"_s;
    l.notices = {Messaging::ChangeEvents::BusinessOffers};
    return l;
}

OfferEditorDocument::OfferEditorDocument(Data::Database& db) : EditorDocument(db, requestLayout()), m_lookups(db)
{
    OfferEditorRowSet& h = header();
    // In the order of the header statement.
    h.addField(u"Urgency_ID"_s, FieldType::Integer);
    h.addField(u"bof_id"_s, FieldType::Integer);
    h.addField(u"bof_person"_s, FieldType::Integer);
    h.addField(u"bof_date"_s, FieldType::DateTime);
    h.addField(u"bof_sum"_s, FieldType::Money);
    h.addField(u"bof_cod_valut"_s, FieldType::String, 8);
    h.addField(u"bof_sum_valut"_s, FieldType::Money);
    h.addField(u"bof_description"_s, FieldType::String, 100);
    h.addField(u"bof_dopnomer"_s, FieldType::Integer);
    h.addField(u"bof_snomer"_s, FieldType::String, 20);
    h.addField(u"bof_plan_start"_s, FieldType::DateTime);
    h.addField(u"bof_plan_end"_s, FieldType::DateTime);

    OfferEditorRowSet& l = lines();
    // In the order of the lines statement.
    l.addField(u"bpd_pr_id"_s, FieldType::Integer);
    l.addField(u"bpd_amount"_s, FieldType::Money);
    l.addField(u"bpd_deliverydate"_s, FieldType::DateTime);
    l.addField(u"bpd_price"_s, FieldType::Money);
    l.addField(u"bpd_sum"_s, FieldType::Money);
    l.addField(u"pr_articul"_s, FieldType::String);
    l.addField(u"pr_name"_s, FieldType::String);
    l.addField(u"bpd_sum_valut"_s, FieldType::Money);
    l.addField(u"bpd_description"_s, FieldType::String, 50);
    l.addField(u"bpd_val_price"_s, FieldType::Money);
    ready();
    m_lookups.reload();
}

OfferEditorDocument::~OfferEditorDocument() = default;

QString OfferEditorDocument::headerStatement() const
{
    return u"select Urgency_ID, bof_id, bof_person, bof_date, bof_sum, bof_cod_valut, bof_sum_valut, "
           "bof_description, bof_dopnomer, bof_snomer, bof_plan_start, bof_plan_end "
           "from scm_business_offer where bof_id = ?"_s;
}

QString OfferEditorDocument::linesStatement() const
{
    const Data::Dialect& d = database().dialect();
    // No price of a zero amount (the division would fail on PostgreSQL); 1.0 keeps SQLite from
    // dividing whole numbers as integers.
    return u"select bpd_pr_id, bpd_amount, bpd_deliverydate, %1 bpd_price, bpd_sum, pr_articul, "
           "pr_name, bpd_sum_valut, bpd_description, %2 bpd_val_price "
           "from scm_bp_delivery join crm_product on bpd_pr_id = pr_id "
           "where bpd_bof_id = ? order by pr_articul, bpd_pr_id"_s
        .arg(d.roundedAmount(u"1.0 * bpd_sum / nullif(bpd_amount, 0)"_s),
             d.roundedAmount(u"1.0 * bpd_sum_valut / nullif(bpd_amount, 0)"_s));
}

QVariantMap OfferEditorDocument::checkHeader(const OfferEditorRowSet& h)
{
    if (h.isNull(u"bof_person"_s) || h.integer(u"bof_person"_s) == 0)
        throw Exception(u"Не указано, от кого заявка"_s);
    const qint64 person = h.integer(u"bof_person"_s);
    if (person > 0)
        return {};
    // A counterparty of the warehouse list not known here when the editor read the list.
    const QString code = m_lookups.counterpartyCode(person);
    if (code.isEmpty())
        throw Exception(u"Контрагент не найден, выберите его снова"_s);
    return {{u"bof_person"_s, registeredPartner(code)}};
}

void OfferEditorDocument::replacedTaken()
{
    m_lookups.reloadCounterparties();
}

qint64 OfferEditorDocument::registeredPartner(const QString& code)
{
    return OfferEditorLookups::registeredCounterparty(database(), code);
}

void OfferEditorDocument::addProduct(const Messaging::TOurTvrExchange& product)
{
    prepareLine();
    OfferedPrice offered;
    offered.amount = Money(1);
    offered.roubles = product.price;
    if (product.inCurrency && !product.currencyCode.isEmpty()) {
        offered.code = product.currencyCode;
        offered.inCode = product.valPrice;
    }
    addLine({{u"bpd_pr_id"_s, product.productId},
             {u"pr_articul"_s, product.articul},
             {u"pr_name"_s, product.name},
             {u"bpd_description"_s, QString()}},
            offered);
}

qint64 OfferEditorDocument::nextAdditionalNumber(Data::Database& db)
{
    return EditorDocument::nextAdditionalNumber(db, u"scm_business_offer"_s, u"bof_dopnomer"_s);
}

} // namespace Tarvo::BusOffer
