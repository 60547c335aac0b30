#include "data/modules/tdatatablefieldmap.h"

#include "data/modules/configblob.h"
#include "data/engine/database.h"
#include "data/modules/objectnotation.h"
#include "data/rowset/trowset.h"
#include "core/exception.h"

#include <memory>

namespace Tarvo::Data {

namespace {

struct KindInfo
{
    const char* name;
    const char* caption;
    bool line;
};

const KindInfo kinds[] = {
    {"bof_headers", "Заявка %1", false},        {"bof_products", "товары заявки %1", true},
    {"offer_state", "Состояние заявки", true},  {"su_orders", "Заказ %1", false},
    {"orders_products", "товары заказа", true}, {"acceptedOrders", "Подтвержденный заказ %1", false},
    {"scm_waybill", "Посылка %1", false},       {"waybill_products", "товары посылки", true},
};

struct DefaultTable
{
    const char* name;
    const char* editName;
    QList<std::pair<const char*, const char*>> fields;
};

const QList<DefaultTable>& defaults()
{
    static const QList<DefaultTable> d = {
        {"bof_headers",
         "покупателя",
         {{"bof_dopnomer", "Доп.номер"},
          {"bof_accepted", "Одобрен"},
          {"bof_date", "Дата"},
          {"bof_sum", "Сумма"},
          {"name_user", "Для кого"},
          {"bof_cod_valut", "Валюта"},
          {"bof_sum_valut", "Вал сумма"},
          {"bof_description", "Описание"},
          {"us_name", "Менеджер"},
          {"bof_stage_id", "Этап договора"},
          {"bof_createdate", "Дата создания"},
          {"bof_updatedate", "Дата коррекции"}}},
        {"bof_products",
         "",
         {{"pr_articul", "Артикул"},
          {"pr_name", "Наименование"},
          {"bpd_amount", "Количество"},
          {"arrived", "Прибыло"},
          {"bpd_completed", "Состояние"},
          {"bpd_deliverydate", "План. дата доставки"},
          {"bpd_sum", "Сумма руб."},
          {"bpd_sum_valut", "Сумма вал."},
          {"bpd_price", "Цена руб."},
          {"bpd_val_price", "Вал. цена"}}},
        {"offer_state",
         "",
         {{"pr_articul", "Артикул"},
          {"amount", "Кол-во"},
          {"suo_id", "Заказ"},
          {"par_nuser", "Кр.имя"},
          {"name_user", "Поставщик"},
          {"soa_deliverydate", "План дата отгрузки"},
          {"sde_invoice_num", "№ счета"},
          {"sde_invoice_date", "Дата счета"},
          {"swb_arrival_date", "Дата прибытия"},
          {"swb_plan_arrival_date", "План дата прибытия"},
          {"swb_id", "Посылка"},
          {"swb_stepname", "Этап"},
          {"swb_stepdate", "Дата этапа"}}},
        {"su_orders",
         "поставщику",
         {{"suo_id", "№ заказа"},
          {"suo_dopnomer", "Доп.номер"},
          {"suo_date", "Дата"},
          {"suo_sum", "Сумма"},
          {"name_user", "Поставщик"},
          {"sop_amount", "Заказ. кол-во"},
          {"soa_amount_accepted", "Утв. кол-во"},
          {"suo_waiting", "Ожидание"},
          {"suo_sum_valut", "Валютная сумма"},
          {"suo_cod_valut", "Валюта"},
          {"suo_accepted", "Одобрено"},
          {"suo_description", "Описание"},
          {"suo_createdate", "Дата создания"},
          {"suo_updatedate", "Дата коррекции"},
          {"st_number", "Этап договора"}}},
        {"orders_products",
         "",
         {{"pr_articul", "Артикул"},
          {"pr_name", "Наименование"},
          {"sop_amount", "Кол-во"},
          {"soa_amount", "Подтв-но"},
          {"sop_deliverydate", "План. дата дост."},
          {"sop_sum", "Сумма"},
          {"sop_sum_valut", "Вал.сумма"},
          {"soa_sum", "Подт.сумма"},
          {"sop_price", "Цена руб."},
          {"sop_valprice", "Цена вал."},
          {"soa_price", "Подт.цена"},
          {"soa_deliverydate", "Дата отгрузки"},
          {"sdi_amount", "Отгружено"},
          {"soa_sum_valut", "Подт.вал.сумма"},
          {"pf_snomer", "Счет поставщика"},
          {"boa_bof_id", "Заявка"},
          {"boa_amount", "Кол-во"},
          {"bof_date", "Дата заявки"},
          {"par_nuser", "Кр.имя"},
          {"name_user", "Покупатель"},
          {"sde_invoice_num", "№ счета"},
          {"sde_invoice_date", "Дата счета"},
          {"sdi_swb_id", "Посылка"},
          {"swb_stepname", "Этап"},
          {"swb_arrival_date", "Дата прибытия"}}},
        {"acceptedOrders",
         "",
         {{"suo_id", "№ П.заказа"},
          {"suo_date", "Дата заказа"},
          {"name_user", "Поставщик"},
          {"soa_amount", "Кол-во"},
          {"sdi_amount", "Кол-во отгружено"},
          {"suo_sum", "Сумма"},
          {"suo_createdate", "Дата создания"},
          {"suo_updatedate", "Дата коррекции"},
          {"suo_cod_valut", "Валюта"},
          {"suo_sum_valut", "Вал сумма"},
          {"suo_description", "Описание"},
          {"suo_state_name", "Состояние"},
          {"State", "С"},
          {"suo_dopnomer", "Доп.номер"},
          {"suo_snomer", "Доп.номер 2"},
          {"suo_plan_surcharge", "План. доплата"},
          {"us_name", "Менеджер"},
          {"z5", "Выполнено"},
          {"soa_sum", "Подт. сумма"},
          {"soa_sum_valut", "Подт. вал. сумма"},
          {"suo_waiting", "Ожидание"}}},
        {"scm_waybill",
         "",
         {{"swb_stepname", "Этап"},
          {"swb_stepdate", "Дата зтапа"},
          {"swb_car_doc_id", "№ ж.д. накладной"},
          {"swb_car_id", "№ вагона"},
          {"swb_delivery_condition", "Условия поставки"},
          {"swb_transport_tariff", "Транспортный тариф"}}},
        {"waybill_products",
         "",
         {{"pr_name", "Наименование"},
          {"sdp_sum", "Сумма руб."},
          {"pr_articul", "Артикул"},
          {"sdp_amount", "Кол-во по факт"},
          {"sdp_amount2", "Кол-во по док"},
          {"sdp_certnum", "Серт"},
          {"sdp_certdate", "Дата серт"},
          {"sdp_certorg", "Выд серт"},
          {"sdp_sum_val", "Сумма вал"},
          {"sde_invoice_num", "№ счета поставщика"},
          {"sde_invoice_date", "Дата счета поставщика"},
          {"name_user", "Поставщик"}}},
    };
    return d;
}

[[noreturn]] void unreadable()
{
    throw Exception(QStringLiteral("Словарь названий полей не читается"));
}

} // namespace

void TableInfo::setPhisName(const QString& name)
{
    m_phisName = name;
    if (!m_legacy)
        return;
    const int k = kind();
    if (k == 0)
        m_editName = QStringLiteral("покупателя");
    else if (k == 3)
        m_editName = QStringLiteral("поставщику");
}

int TableInfo::kind() const
{
    for (int i = 0; i < 8; ++i)
        if (m_phisName == QLatin1String(kinds[i].name))
            return i;
    return -1;
}

bool TableInfo::isLineTable() const
{
    const int k = kind();
    return k >= 0 && kinds[k].line;
}

QString TableInfo::editName() const
{
    return isLineTable() ? QString() : m_editName;
}

QString TableInfo::displayName() const
{
    const int k = kind();
    // A table the program never creates: its own name is the most useful caption.
    if (k < 0)
        return m_phisName;
    QString caption = QString::fromUtf8(kinds[k].caption);
    if (caption.contains(QLatin1String("%1")))
        caption = caption.arg(editName());
    return caption.trimmed();
}

TFieldInfo* TableInfo::findField(const QString& name)
{
    for (TFieldInfo& f : fields)
        if (f.phisName.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

const TFieldInfo* TableInfo::findField(const QString& name) const
{
    return const_cast<TableInfo*>(this)->findField(name);
}

TableInfo* TDataTableFieldMap::findTable(const QString& name)
{
    for (TableInfo& t : tables)
        if (t.phisName().compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const TableInfo* TDataTableFieldMap::findTable(const QString& name) const
{
    return const_cast<TDataTableFieldMap*>(this)->findTable(name);
}

void TDataTableFieldMap::mergeDefaults()
{
    for (const DefaultTable& d : defaults()) {
        TableInfo* t = findTable(QString::fromUtf8(d.name));
        if (!t) {
            TableInfo n;
            n.setPhisName(QString::fromUtf8(d.name));
            n.setEditName(QString::fromUtf8(d.editName));
            tables << n;
            t = &tables.last();
        }
        for (const auto& [name, caption] : d.fields) {
            if (t->findField(QString::fromUtf8(name)))
                continue;
            TFieldInfo f;
            f.phisName = QString::fromUtf8(name);
            f.displayName = QString::fromUtf8(caption);
            t->fields << f;
        }
    }
}

void TDataTableFieldMap::applyCaptions(const QString& table, TRowSet& rowSet) const
{
    const TableInfo* t = findTable(table);
    if (!t)
        return;
    for (int i = 0; i < rowSet.fieldCount(); ++i)
        if (const TFieldInfo* f = t->findField(rowSet.field(i).name))
            rowSet.field(i).displayLabel = f->displayName;
}

void TDataTableFieldMap::read(const NotationObject& object)
{
    tables.clear();
    const NotationProperty* p = object.find(QStringLiteral("Tables"));
    if (!p)
        return;
    if (p->value.kind != NotationValue::Kind::Collection)
        unreadable();
    for (const auto& item : p->value.items) {
        TableInfo t;
        for (const NotationProperty& tp : item) {
            const QString n = tp.name.toLower();
            if (n == QLatin1String("phisname") && tp.value.kind == NotationValue::Kind::String) {
                t.setPhisName(tp.value.text);
            } else if (n == QLatin1String("editname") && tp.value.kind == NotationValue::Kind::String) {
                t.setEditName(tp.value.text);
            } else if (n == QLatin1String("displayname")) {
                t.markLegacyDisplayName();
            } else if (n == QLatin1String("fields") && tp.value.kind == NotationValue::Kind::Collection) {
                for (const auto& fitem : tp.value.items) {
                    TFieldInfo f;
                    for (const NotationProperty& fp : fitem) {
                        const QString fn = fp.name.toLower();
                        if (fn == QLatin1String("phisname"))
                            f.phisName = fp.value.text;
                        else if (fn == QLatin1String("displayname"))
                            f.displayName = fp.value.text;
                        else if (fn == QLatin1String("visible"))
                            f.visible = fp.value.toBool();
                        else if (fn == QLatin1String("displayindex"))
                            f.displayIndex = fp.value.text.toInt();
                    }
                    t.fields << f;
                }
            } else {
                unreadable();
            }
        }
        tables << t;
    }
}

NotationObject TDataTableFieldMap::toNotation() const
{
    NotationObject o;
    o.className = QStringLiteral("TDataTableFieldMap");
    NotationValue coll;
    coll.kind = NotationValue::Kind::Collection;
    for (const TableInfo& t : tables) {
        QList<NotationProperty> props;
        props << NotationProperty{QStringLiteral("PhisName"), NotationValue::string(t.phisName())};
        if (!t.editName().isEmpty())
            props << NotationProperty{QStringLiteral("EditName"), NotationValue::string(t.editName())};
        NotationValue fields;
        fields.kind = NotationValue::Kind::Collection;
        for (const TFieldInfo& f : t.fields) {
            fields.items << QList<NotationProperty>{
                {QStringLiteral("PhisName"), NotationValue::string(f.phisName)},
                {QStringLiteral("DisplayName"), NotationValue::string(f.displayName)},
                {QStringLiteral("Visible"), NotationValue::boolean(f.visible)},
                {QStringLiteral("DisplayIndex"), NotationValue::integer(f.displayIndex)}};
        }
        props << NotationProperty{QStringLiteral("Fields"), fields};
        coll.items << props;
    }
    o.properties << NotationProperty{QStringLiteral("Tables"), coll};
    return o;
}

TDataTableFieldMap TDataTableFieldMap::load(Database& db)
{
    TDataTableFieldMap map;
    try {
        if (const auto blob = ConfigBlob::load(db, QString::fromLatin1(BlobName)))
            map.read(ObjectNotation::read(*blob));
    } catch (const Exception&) {
        map.tables.clear();
    }
    map.mergeDefaults();
    return map;
}

void TDataTableFieldMap::save(Database& db) const
{
    ConfigBlob::save(db, QString::fromLatin1(BlobName), ObjectNotation::write(toNotation()));
}

TDataTableFieldMap& TDataTableFieldMap::instance()
{
    static std::unique_ptr<TDataTableFieldMap> map;
    if (!map) {
        Database* db = Database::main();
        map = std::make_unique<TDataTableFieldMap>(db ? load(*db) : TDataTableFieldMap());
        if (!db)
            map->mergeDefaults();
    }
    return *map;
}

} // namespace Tarvo::Data
