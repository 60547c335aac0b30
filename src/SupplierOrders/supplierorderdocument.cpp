#include "SupplierOrders/supplierorderdocument.h"

#include "SupplierOrders/supplierorderwarehouse.h"
#include "catalog/currency/currencyrates.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "messaging/changeevents.h"
#include "security/rights.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

using BusOffer::EditorDocumentLayout;
using BusOffer::OfferEditorRowSet;
using Data::FieldType;

const QString SupplierOrderDocument::DuplicateProductMessage = u"Этот товар уже выбран в заказ"_s;
const QString SupplierOrderDocument::LastLineMessage = u"Это последний товар. Удалите сам заказ"_s;
const QString SupplierOrderDocument::LineInWorkMessage = u"Товар заказа в работе.\r\nУдаление невозможно"_s;
const QString SupplierOrderDocument::BadDateMessage = u"Неверное значение даты"_s;
const QString SupplierOrderDocument::SavedMessage = u"Заказ сохранен"_s;
const QString SupplierOrderDocument::OrderDeletedMessage =
    u"Заказ удалён другим пользователем. Изменения не сохранены."_s;
const QString SupplierOrderDocument::LineDeletedMessage =
    u"Товар удалён из заказа другим пользователем. Изменения строки не сохранены."_s;
const QString SupplierOrderDocument::BadAdditionalNumberMessage =
    u"Дополнительный номер 1 должен быть целым числом от 0 до 2147483647."_s;

namespace {

const QString ContractKey = u"dg_idst_id"_s;

QVariant nullInteger()
{
    return QVariant(QMetaType::fromType<qint64>());
}

} // namespace

EditorDocumentLayout SupplierOrderDocument::orderLayout()
{
    EditorDocumentLayout l;
    l.headerTable = u"scm_supplier_order"_s;
    l.prefix = u"suo_"_s;
    l.linesTable = u"scm_so_products"_s;
    l.linePrefix = u"sop_"_s;
    l.lineOwner = u"sop_suo_id"_s;
    // In the order of the insert; the supplier is read as suo_supplier_id.
    l.headerColumns = {u"suo_supplier"_s,    u"suo_date"_s,     u"suo_cod_valut"_s, u"suo_accepted"_s,
                       u"suo_description"_s, u"suo_dopnomer"_s, u"Urgency_ID"_s,    u"suo_stage_id"_s,
                       u"suo_id_sclad"_s,    u"suo_dg_id"_s,    u"suo_snomer"_s,    u"suo_plan_start"_s,
                       u"suo_plan_end"_s};
    l.headerFields = {{u"suo_supplier"_s, u"suo_supplier_id"_s}};
    l.lineColumns = {u"sop_ball"_s, u"sop_mark"_s};
    l.savedTitle = u"Заказ %1"_s;
    l.newTitle = u"Новый заказ"_s;
    l.notFound = u"Заказ %1 не найден: его удалили"_s;
    l.saveFirst = u"Сначала сохраните заказ"_s;
    l.duplicateProduct = DuplicateProductMessage;
    l.lastLine = LastLineMessage;
    l.lineInWork = LineInWorkMessage;
    l.badDate = BadDateMessage;
    l.documentDeleted = OrderDeletedMessage;
    l.lineDeleted = LineDeletedMessage;
    l.badAdditionalNumber = BadAdditionalNumberMessage;
    l.saved = SavedMessage;
    l.notSaved = u"Заказ не сохранен"_s;
    l.notices = {Messaging::ChangeEvents::SupplierOrders};
    return l;
}

SupplierOrderDocument::SupplierOrderDocument(Data::Database& db)
    : EditorDocument(db, orderLayout()), m_lookups(db)
{
    OfferEditorRowSet& h = header();
    // In the order of the header statement.
    h.addField(u"Urgency_ID"_s, FieldType::Integer);
    h.addField(u"suo_id"_s, FieldType::Integer);
    h.addField(u"suo_date"_s, FieldType::DateTime);
    h.addField(u"suo_sum"_s, FieldType::Money);
    h.addField(u"name_user"_s, FieldType::String);
    h.addField(u"suo_cod_valut"_s, FieldType::String, 8);
    h.addField(u"suo_accepted"_s, FieldType::Boolean);
    h.addField(u"suo_supplier_id"_s, FieldType::Integer);
    h.addField(u"suo_sum_valut"_s, FieldType::Money);
    h.addField(u"suo_description"_s, FieldType::String, 100);
    h.addField(u"suo_dopnomer"_s, FieldType::Integer);
    h.addField(u"suo_id_sclad"_s, FieldType::Integer);
    h.addField(ContractKey, FieldType::String);
    h.addField(u"dg_number"_s, FieldType::String);
    h.addField(u"dg_dopnumber"_s, FieldType::String);
    h.addField(u"suo_snomer"_s, FieldType::String, 20);
    h.addField(u"suo_plan_start"_s, FieldType::DateTime);
    h.addField(u"suo_plan_end"_s, FieldType::DateTime);
    // What the contract key stands for, as written.
    h.addField(u"suo_dg_id"_s, FieldType::Integer);
    h.addField(u"suo_stage_id"_s, FieldType::Integer);
    for (const QString& f : {u"name_user"_s, u"suo_supplier_id"_s, u"dg_number"_s, u"dg_dopnumber"_s})
        h.field(h.fieldIndex(f)).readOnly = true;

    OfferEditorRowSet& l = lines();
    // In the order of the lines statement, which is the grid's.
    l.addField(u"sop_deliverydate"_s, FieldType::DateTime);
    l.addField(u"sop_amount"_s, FieldType::Money);
    l.addField(u"sop_sum"_s, FieldType::Money);
    l.addField(u"pr_name"_s, FieldType::String);
    l.addField(u"pr_articul"_s, FieldType::String);
    l.addField(u"sam_artc"_s, FieldType::String);
    l.addField(u"pr_dop1"_s, FieldType::String);
    l.addField(u"pr_dop2"_s, FieldType::String);
    l.addField(u"pr_dop3"_s, FieldType::String);
    l.addField(u"sop_price"_s, FieldType::Money);
    l.addField(u"sop_val_price"_s, FieldType::Money);
    l.addField(u"sop_sum_valut"_s, FieldType::Money);
    l.addField(u"sop_ball"_s, FieldType::Float);
    l.addField(u"sop_mark"_s, FieldType::String, 100);
    l.addField(u"sop_pr_id"_s, FieldType::Integer);
    l.addCalculatedField(u"sop_balls"_s, FieldType::Float, [](const Data::TRowSet& r) -> QVariant {
        return r.value(u"sop_ball"_s).toDouble() * r.money(u"sop_amount"_s).toDouble();
    });
    for (const QString& f : {u"sam_artc"_s, u"pr_dop1"_s, u"pr_dop2"_s, u"pr_dop3"_s})
        l.field(l.fieldIndex(f)).readOnly = true;
    ready();
}

SupplierOrderDocument::~SupplierOrderDocument() = default;

QString SupplierOrderDocument::headerStatement() const
{
    // The order's own stage: joining every stage of the contract would give a row per stage.
    return u"select o.Urgency_ID, suo_id, suo_date, suo_sum, name_user, suo_cod_valut, suo_accepted, "
           "suo_supplier suo_supplier_id, suo_sum_valut, suo_description, suo_dopnomer, suo_id_sclad, "
           "cast(suo_dg_id as varchar) || ';' || cast(coalesce(suo_stage_id, 0) as varchar) dg_idst_id, "
           "dg_number, dg_dopnumber, suo_snomer, suo_plan_start, suo_plan_end, suo_dg_id, suo_stage_id "
           "from scm_supplier_order o join scm_partner on suo_supplier = par_id "
           "join _partner on par_nuser = n_user "
           "left join crm_dogovors on suo_dg_id = dg_id "
           "left join crm_stage on suo_stage_id = st_id "
           "where suo_id = ?"_s;
}

QString SupplierOrderDocument::linesStatement() const
{
    const Data::Dialect& d = database().dialect();
    // No price of a zero amount; 1.0 keeps SQLite from dividing whole numbers as integers. The
    // supplier's article is the main product's when the product has one.
    return u"select sop_deliverydate, sop_amount, sop_sum, pr_name, pr_articul, "
           "coalesce(a1.sam_artc, a2.sam_artc) sam_artc, pr_dop1, pr_dop2, pr_dop3, %1 sop_price, "
           "%2 sop_val_price, sop_sum_valut, sop_ball, sop_mark, sop_pr_id "
           "from scm_so_products join crm_product on sop_pr_id = pr_id "
           "join scm_supplier_order on sop_suo_id = suo_id "
           "left join scm_artcmap a1 on a1.sam_pr_id = pr_id_main and a1.sam_prv_id = suo_supplier "
           "left join scm_artcmap a2 on a2.sam_pr_id = pr_id and a2.sam_prv_id = suo_supplier "
           "where sop_suo_id = ? order by pr_articul, sop_pr_id"_s.arg(
               d.roundedAmount(u"1.0 * sop_sum / nullif(sop_amount, 0)"_s),
               d.roundedAmount(u"1.0 * sop_sum_valut / nullif(sop_amount, 0)"_s));
}

qint64 SupplierOrderDocument::supplierId() const
{
    return isOpen() ? header().integer(u"suo_supplier_id"_s) : 0;
}

QString SupplierOrderDocument::supplierName() const
{
    return isOpen() ? header().string(u"name_user"_s) : QString();
}

SupplierOrderDocument::Closing SupplierOrderDocument::openNew(qint64 supplierId, const QString& supplierName)
{
    m_newSupplier = supplierId;
    m_newSupplierName = supplierName;
    return open(0);
}

void SupplierOrderDocument::presetNew()
{
    if (m_newSupplier <= 0)
        throw Exception(u"Не выбран поставщик заказа"_s);
    OfferEditorRowSet& h = header();
    h.forceField(u"suo_supplier_id"_s, m_newSupplier);
    h.forceField(u"name_user"_s, m_newSupplierName);
    h.setValue(u"suo_accepted"_s, false);
    const QVariant warehouse = SupplierOrderWarehouse::defaultFor(database(), int(m_newSupplier));
    h.setValue(u"suo_id_sclad"_s, warehouse.isNull() ? nullInteger() : QVariant(warehouse.toLongLong()));
}

void SupplierOrderDocument::opened()
{
    m_lookups.reload(supplierId());
}

QVariantMap SupplierOrderDocument::checkHeader(const OfferEditorRowSet& h)
{
    if (h.isNull(u"suo_supplier_id"_s) || h.integer(u"suo_supplier_id"_s) <= 0)
        throw Exception(u"Не выбран поставщик заказа"_s);
    return {};
}

bool SupplierOrderDocument::mayApprove() const
{
    return Security::HasRight(Security::Right::ApproveSupplierOrder);
}

void SupplierOrderDocument::setHeaderValue(const QString& field, const QVariant& value)
{
    if (!isOpen())
        return;
    if (field.compare(u"suo_accepted"_s, Qt::CaseInsensitive) == 0 && !mayApprove())
        throw Exception(Security::MissingRightText(Security::Right::ApproveSupplierOrder,
                                                   u"Одобрение заказа не изменено"_s));
    if (field.compare(ContractKey, Qt::CaseInsensitive) != 0) {
        EditorDocument::setHeaderValue(field, value);
        return;
    }
    // "dg_id;st_id"; a stage of 0 is the contract itself.
    QVariant contract = nullInteger(), stage = nullInteger();
    const QStringList parts = value.toString().split(u';');
    if (!value.isNull() && !value.toString().isEmpty()) {
        bool okContract = false, okStage = true;
        const qint64 dg = parts.value(0).toLongLong(&okContract);
        const qint64 st = parts.size() > 1 ? parts[1].toLongLong(&okStage) : 0;
        if (!okContract || !okStage || parts.size() > 2 || dg <= 0)
            throw Exception(u"Неверный договор заказа"_s);
        contract = dg;
        if (st != 0)
            stage = st;
    }
    EditorDocument::setHeaderValue(ContractKey, contractKey(contract, stage));
    header().setValue(u"suo_dg_id"_s, contract);
    header().setValue(u"suo_stage_id"_s, stage);
}

QString SupplierOrderDocument::contractKey(const QVariant& contract, const QVariant& stage)
{
    if (contract.isNull())
        return {};
    return u"%1;%2"_s.arg(contract.toLongLong()).arg(stage.isNull() ? 0 : stage.toLongLong());
}

QString SupplierOrderDocument::supplierArticle(qint64 productId) const
{
    return database()
        .scalar(u"select coalesce(a1.sam_artc, a2.sam_artc) from crm_product "
                "left join scm_artcmap a1 on a1.sam_pr_id = pr_id_main and a1.sam_prv_id = ? "
                "left join scm_artcmap a2 on a2.sam_pr_id = pr_id and a2.sam_prv_id = ? "
                "where pr_id = ?"_s,
                {supplierId(), supplierId(), productId})
        .toString();
}

void SupplierOrderDocument::addProduct(const SupplierProduct& product)
{
    prepareLine();
    OfferedPrice offered;
    offered.amount = product.amount;
    // The rouble price at the rate of the order's date.
    offered.roubles = product.code.isEmpty()
                          ? product.price
                          : Catalog::CurrencyRates(database())
                                .convert(product.code, QString(), documentDate(), product.price);
    offered.code = product.code;
    offered.inCode = product.price;
    addLine({{u"sop_pr_id"_s, product.productId},
             {u"pr_articul"_s, product.articul},
             {u"pr_name"_s, product.name},
             {u"sam_artc"_s, supplierArticle(product.productId)},
             {u"pr_dop1"_s, product.dop1},
             {u"pr_dop2"_s, product.dop2},
             {u"pr_dop3"_s, product.dop3},
             {u"sop_ball"_s, 0.0},
             {u"sop_mark"_s, QString()}},
            offered);
}

void SupplierOrderDocument::setAmount(const SupplierProduct& product, Money amount)
{
    if (amount < Money())
        throw Exception(u"Количество не может быть отрицательным"_s);
    if (setProductAmount(product.productId, amount) || amount == Money())
        return;
    SupplierProduct added = product;
    added.amount = amount;
    addProduct(added);
}

qint64 SupplierOrderDocument::nextAdditionalNumber(Data::Database& db)
{
    return EditorDocument::nextAdditionalNumber(db, u"scm_supplier_order"_s, u"suo_dopnomer"_s);
}

} // namespace Tarvo::SupplierOrders
