#include "db/demodata.h"

#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/money.h"
#include "data/engine/query.h"
#include "core/exception.h"
#include "db/plannerstatistics.h"

#include <QDateTime>
#include <QHash>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

// A fixed sequence: the demo company is the same on every run and engine.
class Sequence
{
public:
    int range(int from, int to) { return from + int(next() % uint32_t(to - from + 1)); }

private:
    uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(m_state >> 33);
    }
    uint64_t m_state = 20261102;
};

QDateTime at(const QDate& d)
{
    return QDateTime(d, QTime(0, 0));
}

struct Currency
{
    QString code;
    QString name;
    double base;
};

const QList<Currency> currencies{
    {u"USD"_s, u"Доллар США"_s, 92.4},
    {u"EUR"_s, u"Евро"_s, 99.8},
    {u"CNY"_s, u"Китайский юань"_s, 12.7},
};

double rateOn(const Currency& c, const QDate& day)
{
    const double x = double(DemoData::anchorDate().daysTo(day));
    return std::round(c.base * (1.0 + 0.03 * std::sin(x / 9.0 + c.base)) * 10000.0) / 10000.0;
}

struct Supplier
{
    QString nuser;
    QString name;
    QString currency;
    qint64 id = 0;
};

struct ProductRow
{
    qint64 id = 0;
    Money price; // our rouble price
};

class Filler
{
public:
    explicit Filler(Database& db) : m_db(db) {}
    void run();

private:
    qint64 id(const QString& sql, const QString& key, const QVariantList& params = {})
    {
        return m_db.insertReturning(sql, key, params);
    }
    void exec(const QString& sql, const QVariantList& params = {}) { m_db.exec(sql, params); }
    double rate(const QString& code, const QDate& day) const
    {
        for (const Currency& c : currencies)
            if (c.code == code)
                return rateOn(c, day);
        return 1.0;
    }

    void settingsAndReferenceBooks();
    void users();
    void partners();
    void catalog();
    void documents();
    void freeOrder();
    void reports();

    Database& m_db;
    Sequence m_seq;
    QList<qint64> m_buyers, m_purchasers, m_sellers, m_carriers;
    QList<Supplier> m_suppliers;
    QList<ProductRow> m_products;
    QList<qint64> m_urgency, m_stations;
    QHash<QString, qint64> m_priceTypes; // by name: the keys the inserts returned
    qint64 m_ourOrg = 0;
    QString m_ourNuser = u"ТАРВО"_s;
};

void Filler::settingsAndReferenceBooks()
{
    for (const Currency& c : currencies) {
        exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT, RELCOD) values (?, ?, '')"_s, {c.code, c.name});
        const QDate from = DemoData::anchorDate().addDays(-150);
        for (QDate d = from; d <= DemoData::anchorDate().addDays(60); d = d.addDays(1))
            exec(u"insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)"_s,
                 {c.code, at(d), rateOn(c, d)});
    }
    for (const auto& [name, prio] : QList<QPair<QString, int>>{
             {u"Срочно"_s, 1}, {u"Обычная"_s, 2}, {u"Плановая"_s, 3}, {u"Под заказ"_s, 4}})
        m_urgency << id(u"insert into SCM_Library_Urgency (Name, Priority) values (?, ?)"_s, u"Urgency_ID"_s,
                        {name, prio});
    exec(u"insert into SCLAD_R (ID_SCLAD, NAME_SCLAD) values (1, 'Основной склад'), (2, 'Склад Подольск')"_s);
    for (const auto& [name, region] : QList<QPair<QString, QString>>{
             {u"Москва-Товарная"_s, u"Москва"_s}, {u"Санкт-Петербург-Сорт."_s, u"Ленинградская обл."_s},
             {u"Екатеринбург-Товарный"_s, u"Свердловская обл."_s}, {u"Новосибирск-Главный"_s, u"Новосибирская обл."_s},
             {u"Забайкальск"_s, u"Забайкальский край"_s}, {u"Брест-Центральный"_s, u"Беларусь"_s}})
        m_stations << id(u"insert into scm_station (sta_name, sta_tax, sta_region) values (?, ?, ?)"_s, u"sta_id"_s,
                         {name, Money(m_seq.range(500, 3000)).toVariant(), region});
    for (const QString& s : {u"Авто"_s, u"Ж/д"_s, u"Авиа"_s, u"Море"_s})
        exec(u"insert into scm_transportinfo (tri_description) values (?)"_s, {s});
    for (const QString& s : {u"ТрансЛогистик"_s, u"Деловые Линии"_s, u"ЖелДорЭкспедиция"_s})
        exec(u"insert into scm_agentinfo (agi_description) values (?)"_s, {s});
    for (const QString& s : {u"Отгружено поставщиком"_s, u"Таможенное оформление"_s, u"В пути"_s,
                             u"Прибыло на станцию"_s, u"Принято на склад"_s})
        exec(u"insert into scm_phrases (sph_catalog_id, sph_phrase) values (1, ?)"_s, {s});
    for (const QString& s : {u"Розница"_s, u"Опт"_s, u"Дилер"_s, u"EXW"_s, u"DAP Москва"_s})
        m_priceTypes.insert(s, id(u"insert into scm_pricename (prn_name) values (?)"_s, u"prn_id"_s, {s}));
    exec(u"insert into scm_values (INSIDE_NAME_NASTR, VALUE_NAME_NASTR, COMMENT) values "
         "('NDS', '20', 'НДС 20%'), ('NDS', '10', 'НДС 10%'), ('NDS', '0', 'Без НДС'), "
         "('NSP', '0', 'Без НСП'), ('VIBOR', '1', 'По минимальной цене'), ('VIBOR', '2', 'По сроку поставки')"_s);
    exec(u"insert into TIP_TOVR (SIGNIFIC, TIP_TOVAR, CHECK_SAVE, SHOW_OSTATOK) values "
         "('ТОВ', 'Товар', 1, 1), ('КОМП', 'Комплектующие', 0, 1), ('УСЛ', 'Услуга', 0, 0)"_s);
    exec(u"insert into CS_VALUES (cs_TIP_TOVR, cs_N_FIELD, cs_VALUE) values ('ТОВ', 0, 'Чёрный'), "
         "('ТОВ', 0, 'Белый'), ('ТОВ', 1, 'S'), ('ТОВ', 1, 'M'), ('ТОВ', 1, 'L')"_s);
}

void Filler::users()
{
    struct U
    {
        QString login, name, dep, position, pwd;
    };
    const QList<U> all{
        {u"Админ"_s, u"Админ"_s, u"Отдел закупок"_s, u"Администратор"_s, QString()},
        {u"petrov"_s, u"Петров Иван Сергеевич"_s, u"Отдел закупок"_s, u"Менеджер по закупкам"_s, u"123"_s},
        {u"smirnova"_s, u"Смирнова Ольга Викторовна"_s, u"Отдел закупок"_s, u"Менеджер по закупкам"_s, u"123"_s},
        {u"kuznetsov"_s, u"Кузнецов Андрей Павлович"_s, u"Отдел продаж"_s, u"Руководитель отдела"_s, u"123"_s},
        {u"ivanova"_s, u"Иванова Мария Петровна"_s, u"Отдел продаж"_s, u"Менеджер по продажам"_s, u"123"_s},
        {u"sokolov"_s, u"Соколов Дмитрий Игоревич"_s, u"Отдел продаж"_s, u"Менеджер по продажам"_s, u"123"_s},
    };
    int n = 0;
    for (const U& u : all) {
        const qint64 uid = id(u"insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP, US_POSITION, US_PWD, US_PWD_MODE, "
                               "US_ACTIVE, US_NEW_SECUR_ACTIVE, US_EMAIL, US_PHONEINSIDE, US_DATEIN) "
                               "values (?, ?, ?, ?, ?, 0, 1, 1, ?, ?, ?)"_s,
                               u"US_ID"_s,
                               {u.login, u.name, u.dep, u.position, u.pwd.toUtf8(),
                                u.login == u"Админ"_s ? QString() : u.login + u"@tarvo.example"_s,
                                QString::number(101 + n), at(QDate(2019 + n % 5, 1 + n, 10))});
        (u.dep == u"Отдел закупок"_s ? m_purchasers : m_sellers) << uid;
        ++n;
    }
}

void Filler::partners()
{
    const auto add = [&](const QString& nuser, const QString& name, const QString& kind, const QString& town,
                         int n) {
        exec(u"insert into _partner (N_USER, NAME_USER, NAMEP_USER, BANK_USER, SCT_B_USER, COD_B_USER, TOWNB_USER, "
             "PST_B_USER, ADRES_USER, INDEX_USER, SCT_2_USER, TEL1_USER, EMAIL_USER, MY_ORGANIZ, SKIDKAPRCNT, KPP) "
             "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
             {nuser, name, name, u"ПАО Сбербанк"_s, u"40702810%1"_s.arg(380000000000 + n * 7919, 12, 10, QChar(u'0')),
              u"044525225"_s, town, u"77%1"_s.arg(10000000 + n * 104729, 8, 10, QChar(u'0')),
              town + u", ул. Промышленная, д. "_s + QString::number(n + 1), u"1%1"_s.arg(10000 + n * 37, 5),
              u"30101810400000000225"_s, u"+7 495 %1-%2-%3"_s.arg(200 + n).arg(10 + n).arg(30 + n),
              u"info@"_s + nuser.toLower() + u".example"_s, kind, Money(kind == u"К"_s ? n % 3 * 2 : 0).toVariant(),
              u"7701%1"_s.arg(10001 + n)});
        return id(u"insert into scm_partner (par_nuser) values (?)"_s, u"par_ID"_s, {nuser});
    };
    int n = 0;
    m_ourOrg = add(m_ourNuser, u"ООО \"Тарво Трейд\""_s, u"Я"_s, u"Москва"_s, n++);
    const QList<Supplier> suppliers{
        {u"ПРОМСНАБ"_s, u"ООО \"Промснаб\""_s, u""_s},
        {u"МЕТИЗ"_s, u"АО \"Метизный завод\""_s, u""_s},
        {u"GLOBTOOL"_s, u"Global Tools Ltd."_s, u"USD"_s},
        {u"HANSEN"_s, u"Hansen Technik GmbH"_s, u"EUR"_s},
        {u"NINGBO"_s, u"Ningbo Hardware Co."_s, u"CNY"_s},
        {u"ATLANTIC"_s, u"Atlantic Supply Inc."_s, u"USD"_s},
    };
    for (Supplier s : suppliers) {
        s.id = add(s.nuser, s.name, u"Т"_s, s.currency.isEmpty() ? u"Тула"_s : u"Москва"_s, n++);
        m_suppliers << s;
    }
    const QStringList buyers{u"ООО \"СтройМаркет\""_s, u"ИП Васильев А.Н."_s, u"ООО \"ТехноДом\""_s,
                             u"АО \"Уралмаш-Сервис\""_s, u"ООО \"Вектор\""_s, u"ООО \"Ремстрой\""_s,
                             u"ЗАО \"СибМонтаж\""_s, u"ООО \"Мастер\""_s, u"ООО \"ЭнергоКомплект\""_s,
                             u"ПАО \"Северсталь-Ремонт\""_s};
    const QStringList towns{u"Москва"_s, u"Казань"_s, u"Екатеринбург"_s, u"Новосибирск"_s, u"Самара"_s};
    for (int i = 0; i < buyers.size(); ++i)
        m_buyers << add(u"ПОК%1"_s.arg(i + 1, 2, 10, QChar(u'0')), buyers.at(i), u"К"_s, towns.at(i % towns.size()), n++);
    m_carriers << add(u"ЖДЭ"_s, u"ООО \"ЖелДорЭкспедиция\""_s, u"Т"_s, u"Москва"_s, n++);
    m_carriers << add(u"ДЛ"_s, u"ООО \"Деловые Линии\""_s, u"Т"_s, u"Санкт-Петербург"_s, n++);
    for (int i = 0; i < m_suppliers.size(); ++i)
        exec(u"insert into scm_departure (scd_sta_id, scd_par_id) values (?, ?)"_s,
             {m_stations.at(i % m_stations.size()), m_suppliers.at(i).id});
    for (const Supplier& s : m_suppliers) {
        const qint64 dg = id(u"insert into crm_dogovors (dg_par_id, dg_number, dg_dopnumber, dg_descr, dg_date) "
                             "values (?, ?, '', ?, ?)"_s,
                             u"dg_id"_s, {s.id, u"Д-%1/2026"_s.arg(s.id), u"Договор поставки № Д-%1/2026"_s.arg(s.id),
                                          at(QDate(2026, 1, 15))});
        for (int st = 1; st <= 2; ++st)
            exec(u"insert into crm_stage (st_dg_id, st_number, ST_DESCR) values (?, ?, ?)"_s,
                 {dg, QString::number(st), u"Этап %1"_s.arg(st)});
    }
}

void Filler::catalog()
{
    struct Root
    {
        QString name;
        QStringList subgroups;
        QStringList nouns;
    };
    const QList<Root> roots{
        {u"Крепёж"_s, {u"Болты"_s, u"Гайки"_s, u"Шайбы"_s, u"Саморезы"_s}, {u"Болт"_s, u"Гайка"_s, u"Шайба"_s, u"Саморез"_s}},
        {u"Инструмент"_s, {u"Ручной"_s, u"Электро"_s, u"Измерительный"_s, u"Оснастка"_s},
         {u"Ключ гаечный"_s, u"Дрель"_s, u"Штангенциркуль"_s, u"Сверло"_s}},
        {u"Электрика"_s, {u"Кабель"_s, u"Автоматы"_s, u"Розетки"_s, u"Освещение"_s},
         {u"Кабель ВВГ"_s, u"Автомат"_s, u"Розетка"_s, u"Светильник"_s}},
        {u"Сантехника"_s, {u"Трубы"_s, u"Фитинги"_s, u"Краны"_s, u"Насосы"_s},
         {u"Труба ПП"_s, u"Муфта"_s, u"Кран шаровой"_s, u"Насос"_s}},
        {u"Спецодежда"_s, {u"Перчатки"_s, u"Костюмы"_s, u"Обувь"_s, u"Каски"_s},
         {u"Перчатки"_s, u"Костюм рабочий"_s, u"Ботинки"_s, u"Каска"_s}},
    };
    const QStringList makers{u"Зубр"_s, u"Bosch"_s, u"Makita"_s, u"IEK"_s, u"Legrand"_s, u"Valtec"_s,
                             u"Grundfos"_s, u"Технониколь"_s, u"Энкор"_s, u"Stayer"_s};
    QList<qint64> makerIds;
    for (const QString& m : makers)
        makerIds << id(u"insert into crm_manufacture (mn_name) values (?)"_s, u"mn_id"_s, {m});
    const QStringList sizes{u"М6"_s, u"М8"_s, u"М10"_s, u"М12"_s, u"М16"_s, u"малый"_s, u"средний"_s,
                            u"большой"_s, u"10 мм"_s, u"20 мм"_s, u"25 мм"_s, u"32 мм"_s, u"XL"_s, u"L"_s, u"M"_s};
    int article = 0;
    for (int r = 0; r < roots.size(); ++r) {
        const Root& root = roots.at(r);
        const qint64 rootId = id(u"insert into crm_productgroups (pg_groupname) values (?)"_s, u"pg_groupid"_s, {root.name});
        for (int g = 0; g < root.subgroups.size(); ++g) {
            const qint64 gid = id(u"insert into crm_productgroups (pg_groupname, pg_parent) values (?, ?)"_s,
                                  u"pg_groupid"_s, {root.subgroups.at(g), rootId});
            for (int k = 0; k < sizes.size(); ++k) {
                ++article;
                const QString art = u"%1-%2"_s.arg(QStringLiteral("KFESR").at(r)).arg(article, 5, 10, QChar(u'0'));
                const QString name = root.nouns.at(g) + u' ' + sizes.at(k);
                const qint64 maker = makerIds.at((r * 4 + g + k) % makerIds.size());
                ProductRow p;
                p.price = Money::fromDouble(double(m_seq.range(20, 25000)) + m_seq.range(0, 99) / 100.0);
                p.id = id(u"insert into crm_product (PR_ARTICUL, PR_NAME, PR_GROUPID, PR_MN_ID, PR_TIP_TOVR, PR_WEIGHT, "
                           "PR_VOLUME, PR_EDIN_IZMER, PR_DOP1, PR_BALL) values (?, ?, ?, ?, 'ТОВ', ?, ?, 'шт', ?, ?)"_s,
                           u"PR_ID"_s,
                           {art, name, gid, maker, Money::fromDouble(m_seq.range(1, 5000) / 1000.0).toVariant(),
                            Money::fromDouble(m_seq.range(1, 900) / 10000.0).toVariant(), makers.at(makerIds.indexOf(maker)),
                            double(m_seq.range(0, 10))});
                exec(u"insert into crm_ourprice (op_pr_id, ou_price, op_prval, op_codval, op_valprice) values (?, ?, 0, '', 0)"_s,
                     {p.id, p.price.toVariant()});
                exec(u"insert into CRM_OURDOPPRICE (ODC_PR_ID, ODC_PRN_ID, ODC_PRICE, ODC_RATIO, ODC_VALPRICE) values (?, ?, ?, 0.9, 0)"_s,
                     {p.id, m_priceTypes.value(u"Опт"_s), (p.price * Money::fromDouble(0.9)).toVariant()});
                exec(u"insert into SCL_ARTC (COD_ARTIC, ID_SCLAD, NAME_ARTIC, NGROUP_TVR, NGROUP_TV2, CENA_ARTIC, PRIZN_VALT, "
                     "COD_VALT, CENA_VALT, PRICE_LIST) values (?, 1, ?, ?, ?, ?, '', '', 0, 1)"_s,
                     {art, name, root.name, root.subgroups.at(g), p.price.toVariant()});
                exec(u"insert into all_artc (COD_ARTIC, edin_izmer, tip_tovr) values (?, 'шт', 'ТОВ')"_s, {art});
                exec(u"insert into scl_pric (cod_artic, id_sclad, name_price, coef_price, rub_price, valt_price) "
                     "values (?, 1, 'Опт', 0.9, ?, 0)"_s, {art, (p.price * Money::fromDouble(0.9)).toVariant()});
                // Two suppliers offer every product: the first is its main supplier in the documents.
                const int idx = m_products.size();
                for (int s : {idx % 6, (idx % 6 + 1 + (idx / 6) % 5) % 6}) {
                    const Supplier& sup = m_suppliers.at(s);
                    const Money cost = p.price * Money::fromDouble(0.6 + m_seq.range(0, 25) / 100.0);
                    const double r = rate(sup.currency, DemoData::anchorDate());
                    const Money price = sup.currency.isEmpty() ? cost : Money::fromDouble(cost.toDouble() / r);
                    exec(u"insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_artc, sam_name, sam_deliverydelay, "
                         "sam_chaindelay, sam_minpartia, sam_pieceperpack, sam_price, sam_codval, sam_available, "
                         "sam_updatedate) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                         {p.id, sup.id, sup.nuser.left(3) + u'-' + QString::number(100000 + idx * 7 + s), name,
                          m_seq.range(3, 30), m_seq.range(2, 20), Money(m_seq.range(1, 10)).toVariant(),
                          Money(1).toVariant(), price.toVariant(),
                          sup.currency.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(sup.currency),
                          Money(m_seq.range(0, 500)).toVariant(), at(DemoData::anchorDate().addDays(-10))});
                    exec(u"insert into CRM_FOREIGNPRICE (fp_prn_id, fp_pr_id, fp_par_id, fp_price) values (?, ?, ?, ?)"_s,
                         {m_priceTypes.value(u"EXW"_s), p.id, sup.id, price.toVariant()});
                }
                m_products << p;
            }
        }
    }
}

void Filler::documents()
{
    const QDate anchor = DemoData::anchorDate();
    struct Line
    {
        qint64 pr;
        Money amount, sum, sumValut;
    };
    qint64 routes[2] = {0, 0};
    for (int r = 0; r < 2; ++r)
        routes[r] = id(u"insert into scm_route (srt_unic, srt_transport, srt_transporter, srt_agent, srt_departure, "
                       "srt_arrival, srt_departure_date, srt_plan_arrival_date, srt_arrival_date, srt_sum, srt_currency, "
                       "srt_weightb, srt_user_id) values (?, ?, ?, 'ТрансЛогистик', ?, 'Москва-Товарная', ?, ?, ?, ?, '', ?, ?)"_s,
                       u"srt_id"_s,
                       {u"ТР-%1"_s.arg(r + 1), r == 0 ? u"Ж/д"_s : u"Авто"_s, m_carriers.at(r),
                        r == 0 ? u"Забайкальск"_s : u"Брест-Центральный"_s, at(anchor.addDays(-40 + r * 10)),
                        at(anchor.addDays(-20 + r * 10)), r == 0 ? QVariant(at(anchor.addDays(-22))) : QVariant(QMetaType::fromType<QDateTime>()),
                        Money(45000 + r * 12000).toVariant(), 1200.0 + r * 300, m_purchasers.at(r % m_purchasers.size())});
    qint64 recno = 0;
    for (int k = 0; k < 12; ++k) {
        const Supplier& sup = m_suppliers.at(k % m_suppliers.size());
        const QDate offerDate = anchor.addDays(-60 + k * 5);
        const qint64 bof = id(u"insert into scm_business_offer (bof_person, bof_date, bof_cod_valut, bof_description, "
                               "bof_user_id, bof_dopnomer, bof_snomer, Urgency_ID, bof_plan_start, bof_plan_end, bof_accepted, "
                               "bof_otmetka, bof_createdate, bof_updatedate) values (?, ?, '', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                               u"bof_id"_s,
                               {m_buyers.at(k % m_buyers.size()), at(offerDate), u"Заявка на поставку, объект %1"_s.arg(k + 1),
                                m_sellers.at(k % m_sellers.size()), k + 1, u"З-%1"_s.arg(100 + k),
                                m_urgency.at(k % m_urgency.size()), at(offerDate.addDays(14)), at(offerDate.addDays(45)),
                                int(k < 10), int(k % 4 == 0), at(offerDate), at(offerDate.addDays(1))});
        // Products of the request come from its supplier's main assortment (index ≡ supplier mod 6).
        QList<Line> lines;
        for (int j = 0; j < 4; ++j) {
            const int idx = (k % 6) + 6 * ((k * 4 + j) % (int(m_products.size()) / 6));
            const ProductRow& p = m_products.at(idx);
            Line l{p.id, Money(m_seq.range(2, 40)), Money(), Money()};
            l.sum = p.price * l.amount;
            lines << l;
            exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount, bpd_deliverydate, bpd_sum, bpd_sum_valut, "
                 "bpd_description) values (?, ?, ?, ?, ?, 0, ?)"_s,
                 {bof, l.pr, l.amount.toVariant(), at(offerDate.addDays(30)), l.sum.toVariant(),
                  j == 0 ? u"Срочно на объект"_s : QString()});
        }
        if (k >= 10)
            continue; // new requests, not yet ordered
        const QDate orderDate = offerDate.addDays(2);
        const qint64 suo = id(u"insert into scm_supplier_order (suo_supplier, suo_date, suo_cod_valut, suo_accepted, "
                               "suo_waiting, suo_description, suo_dopnomer, suo_snomer, Urgency_ID, suo_id_sclad, suo_user_id, "
                               "suo_plan_surcharge, suo_createdate, suo_updatedate) values (?, ?, ?, ?, 1, ?, ?, ?, ?, 1, ?, ?, ?, ?)"_s,
                               u"suo_id"_s,
                               {sup.id, at(orderDate), sup.currency, int(k < 8), u"Заказ по заявке %1"_s.arg(bof), k + 1,
                                u"ЗП-%1"_s.arg(500 + k), m_urgency.at(k % m_urgency.size()),
                                m_purchasers.at(k % m_purchasers.size()), Money(k * 1000).toVariant(), at(orderDate),
                                at(orderDate.addDays(k < 8 ? 5 : 1))});
        const double rt = rate(sup.currency, orderDate);
        const QDate shipDate = orderDate.addDays(14);
        qint64 pf = 0;
        Money pfSum;
        qint64 swb = 0, sde = 0;
        if (k < 8) {
            pf = id(u"insert into scm_Proforma (pf_snomer, pf_dopnomer, pf_supplier, pf_sum, pf_date, pf_cod_valut, "
                     "pf_plan_oplat, pf_surcharge, pf_user_id) values (?, ?, ?, 0, ?, ?, '50/50', ?, ?)"_s,
                     u"pf_id"_s,
                     {u"PI-%1"_s.arg(2600 + k), k + 1, sup.id, at(orderDate.addDays(5)), sup.currency,
                      Money(k % 3 * 500).toVariant(), m_purchasers.at(k % m_purchasers.size())});
        }
        if (k < 6) {
            swb = id(u"insert into scm_waybill (swb_departure_platform, swb_arrival_platform, swb_car_id, swb_car_doc_id, "
                      "swb_plan_arrival_date, swb_arrival_date, swb_delivery_condition, swb_transport_tariff, swb_department, "
                      "swb_stepname, swb_consignor, swb_stepdate, swb_dopnomer, swb_snomer, swb_weight, swb_volume, swb_createdate, "
                      "swb_updatedate) values (?, 'Москва-Товарная', ?, ?, ?, ?, 'DAP', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                      u"swb_id"_s,
                      {k < 3 ? u"Забайкальск"_s : u"Брест-Центральный"_s, QString::number(52000000 + k * 1117),
                       u"ЭИ%1"_s.arg(700000 + k), at(shipDate.addDays(12)),
                       k < 3 ? QVariant(at(shipDate.addDays(11))) : QVariant(QMetaType::fromType<QDateTime>()),
                       Money(15000 + k * 1000).toVariant(), at(shipDate),
                       k < 3 ? u"Принято на склад"_s : u"В пути"_s, sup.name, at(shipDate.addDays(k < 3 ? 11 : 3)), k + 1,
                       u"П-%1"_s.arg(k + 1), Money(800 + k * 50).toVariant(), Money(12 + k).toVariant(), at(shipDate),
                       at(shipDate.addDays(k < 3 ? 11 : 3))});
            sde = id(u"insert into scm_delivery (sde_swb_id, sde_currency, sde_supplier, sde_invoice_num, sde_invoice_date, "
                      "sde_id_sclad, sde_complited, sde_unic, sde_weightb, sde_boxes, sde_tarif, sde_user_id, sde_srt_id, sde_createdate, sde_updatedate) "
                      "values (?, ?, ?, ?, ?, 1, ?, ?, ?, ?, 0, ?, ?, ?, ?)"_s,
                      u"sde_id"_s,
                      {swb, sup.currency, sup.id, u"INV-%1"_s.arg(9000 + k), at(shipDate), k == 0 ? 1 : 0,
                       u"%1/%2"_s.arg(sup.nuser).arg(k + 1), Money(850 + k * 50).toVariant(), 10 + k,
                       m_purchasers.at(k % m_purchasers.size()), routes[k < 3 ? 0 : 1], at(shipDate),
                       at(shipDate.addDays(k < 3 ? 11 : 3))});
            exec(u"insert into scm_routedelivery (srd_srt_id, srd_sde_id, srd_swb_id) values (?, ?, ?)"_s,
                 {routes[k < 3 ? 0 : 1], sde, swb});
        }
        for (int j = 0; j < lines.size(); ++j) {
            const Line& l = lines.at(j);
            const Money cost = l.sum * Money::fromDouble(0.7);
            const Money costValut = sup.currency.isEmpty() ? Money() : Money::fromDouble(cost.toDouble() / rt);
            exec(u"insert into scm_so_products (sop_suo_id, sop_pr_id, sop_deliverydate, sop_amount, sop_sum, sop_sum_valut, "
                 "sop_ball, sop_mark) values (?, ?, ?, ?, ?, ?, 0, '')"_s,
                 {suo, l.pr, at(shipDate), l.amount.toVariant(), cost.toVariant(), costValut.toVariant()});
            if (k >= 8) { // ordered only
                exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, ?)"_s,
                     {bof, l.pr, suo, l.amount.toVariant()});
                continue;
            }
            // Confirmed: request 8 (k = 7) only half of every second line.
            const Money confirmed = (k == 7 && j % 2 == 1) ? Money::fromRaw(l.amount.raw() / 2) : l.amount;
            const Money share = confirmed / l.amount;
            const Money soaSum = cost * share, soaSumValut = costValut * share;
            exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum, soa_sum_valut, "
                 "soa_pf_id) values (?, ?, ?, ?, ?, ?, ?)"_s,
                 {suo, l.pr, at(shipDate), confirmed.toVariant(), soaSum.toVariant(), soaSumValut.toVariant(), pf});
            pfSum += sup.currency.isEmpty() ? soaSum : soaSumValut;
            if (l.amount != confirmed)
                exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, ?)"_s,
                     {bof, l.pr, suo, (l.amount - confirmed).toVariant()});
            // Shipped: request 6 (k = 5) half of each line, the rest stays confirmed.
            const Money shipped = k >= 6 ? Money() : (k == 5 ? Money::fromRaw(confirmed.raw() / 2) : confirmed);
            if (confirmed != shipped)
                exec(u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "
                     "values (?, ?, ?, ?, ?)"_s,
                     {suo, l.pr, at(shipDate), bof, (confirmed - shipped).toVariant()});
            if (shipped == Money())
                continue;
            const Money part = shipped / l.amount;
            exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2, sdp_sum, "
                 "sdp_sum_val, sdp_certnum, sdp_certdate, sdp_certorg, sdp_weight, sdp_volume) "
                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?, 'РОСТЕСТ-Москва', ?, ?)"_s,
                 {swb, sde, l.pr, shipped.toVariant(), shipped.toVariant(), (cost * part).toVariant(),
                  (costValut * part).toVariant(), u"РОСС RU.%1"_s.arg(10000 + k * 10 + j), at(shipDate.addDays(-30)),
                  Money::fromDouble(0.5 + j).toVariant(), Money::fromDouble(0.01 * (j + 1)).toVariant()});
            exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
                 "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"_s,
                 {l.pr, suo, at(shipDate), sde, swb, shipped.toVariant(), l.pr, shipped.toVariant()});
            exec(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
                 "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                 {l.pr, suo, at(shipDate), sde, swb, bof, l.pr, shipped.toVariant(), shipped.toVariant()});
            if (k >= 3)
                continue; // in transit
            // Received into the warehouse; request 3 (k = 2) still waits for its last line.
            if (k == 2 && j == lines.size() - 1)
                continue;
            recno = id(u"insert into scl_move (id_sclad, name_predm, typdocm_pr, numdocm_pr, date_predm, kolc_predm, "
                        "cena_predm, n_user, stnd_uchet) select 1, PR_ARTICUL, 'П', ?, ?, ?, ?, ?, 0 from crm_product "
                        "where PR_ID = ?"_s,
                        u"recno"_s,
                        {u"ПН-%1"_s.arg(300 + k), at(shipDate.addDays(12)), shipped.toVariant(),
                         (cost / l.amount).toVariant(), sup.nuser, l.pr});
            exec(u"insert into SCM_TOMOVE (recno, soi_bof_id, soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_swb_id, "
                 "soi_sde_id, soi_sdp_pr_id) values (?, ?, ?, ?, ?, ?, ?, ?)"_s,
                 {recno, bof, l.pr, suo, at(shipDate), swb, sde, l.pr});
        }
        if (pf) {
            exec(u"update scm_Proforma set pf_sum = ? where pf_id = ?"_s, {pfSum.toVariant(), pf});
            const Money half = Money::fromRaw(pfSum.raw() / 2);
            exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum, sps_updatedate) values (?, ?, ?, ?), (?, ?, ?, ?)"_s,
                 {pf, at(orderDate.addDays(7)), half.toVariant(), at(orderDate.addDays(5)), pf, at(orderDate.addDays(30)),
                  (pfSum - half).toVariant(), at(orderDate.addDays(5))});
            if (k < 7) {
                const Money paid = k < 6 ? pfSum : half;
                const QDate payDate = orderDate.addDays(7);
                const Money roubles =
                    sup.currency.isEmpty() ? paid : Money::fromDouble(paid.toDouble() * rate(sup.currency, payDate));
                const qint64 spm = id(u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, "
                                       "spm_sum2, spm_cod_valut2, spm_inum, spm_snum, spm_nal, spm_user_id, spm_updatedate) "
                                       "values (?, ?, ?, ?, '', ?, ?, ?, ?, 0, ?, ?)"_s,
                                       u"spm_id"_s,
                                       {m_ourOrg, sup.id, at(payDate), roubles.toVariant(), paid.toVariant(),
                                        sup.currency, QString::number(1000 + k), u"ПП-%1"_s.arg(k + 1),
                                        m_purchasers.at(0), at(payDate)});
                exec(u"insert into scm_pfpayment (spp_spm_id, spp_pf_id, spp_sum) values (?, ?, ?)"_s,
                     {spm, pf, paid.toVariant()});
            }
        }
    }
}

// A confirmed order outside any proforma, ready to be invoiced: each line half shipped on an
// invoice with its request rows, the other half confirmed for the request.
void Filler::freeOrder()
{
    const QDate anchor = DemoData::anchorDate();
    const Supplier& sup = m_suppliers.first();
    const QDate offerDate = anchor.addDays(-10), orderDate = anchor.addDays(-8), shipDate = anchor.addDays(6);
    const qint64 bof = id(u"insert into scm_business_offer (bof_person, bof_date, bof_cod_valut, bof_description, "
                           "bof_user_id, bof_dopnomer, bof_snomer, bof_plan_start, bof_plan_end, bof_accepted, bof_otmetka, "
                           "bof_createdate, bof_updatedate) values (?, ?, '', ?, ?, 13, 'З-112', ?, ?, 1, 0, ?, ?)"_s,
                           u"bof_id"_s,
                           {m_buyers.first(), at(offerDate), u"Заявка на поставку, склад"_s, m_sellers.first(),
                            at(offerDate.addDays(14)), at(offerDate.addDays(45)), at(offerDate), at(offerDate)});
    const qint64 suo = id(u"insert into scm_supplier_order (suo_supplier, suo_date, suo_cod_valut, suo_accepted, "
                           "suo_waiting, suo_description, suo_dopnomer, suo_snomer, suo_id_sclad, suo_user_id, "
                           "suo_plan_surcharge, suo_createdate, suo_updatedate) values (?, ?, '', 1, 0, ?, 13, 'ЗП-512', 1, "
                           "?, 0, ?, ?)"_s,
                           u"suo_id"_s,
                           {sup.id, at(orderDate), u"Заказ по заявке %1, без счета"_s.arg(bof), m_purchasers.first(),
                            at(orderDate), at(orderDate)});
    const qint64 swb = id(u"insert into scm_waybill (swb_departure_platform, swb_arrival_platform, swb_plan_arrival_date, "
                           "swb_department, swb_stepname, swb_consignor, swb_stepdate, swb_dopnomer, swb_snomer, "
                           "swb_createdate, swb_updatedate) values ('Тула', 'Москва-Товарная', ?, ?, 'В пути', ?, ?, 13, "
                           "'П-13', ?, ?)"_s,
                           u"swb_id"_s,
                           {at(shipDate.addDays(3)), at(shipDate), sup.name, at(shipDate), at(shipDate), at(shipDate)});
    const qint64 sde = id(u"insert into scm_delivery (sde_swb_id, sde_currency, sde_supplier, sde_invoice_num, "
                           "sde_invoice_date, sde_id_sclad, sde_complited, sde_user_id, sde_createdate, sde_updatedate) "
                           "values (?, '', ?, 'INV-9013', ?, 1, 0, ?, ?, ?)"_s,
                           u"sde_id"_s, {swb, sup.id, at(shipDate), m_purchasers.first(), at(shipDate), at(shipDate)});
    for (int j = 0; j < 3; ++j) {
        const ProductRow& p = m_products.at(6 * (j + 1));
        const Money amount(4 + 2 * j), half(2 + j);
        const Money sum = p.price * amount, cost = sum * Money::fromDouble(0.7);
        exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount, bpd_deliverydate, bpd_sum, bpd_sum_valut) "
             "values (?, ?, ?, ?, ?, 0)"_s,
             {bof, p.id, amount.toVariant(), at(offerDate.addDays(30)), sum.toVariant()});
        exec(u"insert into scm_so_products (sop_suo_id, sop_pr_id, sop_deliverydate, sop_amount, sop_sum, sop_sum_valut, "
             "sop_ball, sop_mark) values (?, ?, ?, ?, ?, 0, 0, '')"_s,
             {suo, p.id, at(shipDate), amount.toVariant(), cost.toVariant()});
        exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum, soa_sum_valut) "
             "values (?, ?, ?, ?, ?, 0)"_s,
             {suo, p.id, at(shipDate), amount.toVariant(), cost.toVariant()});
        exec(u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "
             "values (?, ?, ?, ?, ?)"_s,
             {suo, p.id, at(shipDate), bof, (amount - half).toVariant()});
        exec(u"insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, sdp_amount2, sdp_sum, "
             "sdp_sum_val) values (?, ?, ?, ?, ?, ?, 0)"_s,
             {swb, sde, p.id, half.toVariant(), half.toVariant(), (cost * half / amount).toVariant()});
        exec(u"insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, sdi_swb_id, "
             "sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?)"_s,
             {p.id, suo, at(shipDate), sde, swb, half.toVariant(), p.id, half.toVariant()});
        exec(u"insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, soi_swb_id, "
             "soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
             {p.id, suo, at(shipDate), sde, swb, bof, p.id, half.toVariant(), half.toVariant()});
    }
}

void Filler::reports()
{
    // The schema seeds the call places and a folder of its own: the demo folders take the keys after it.
    Query last(m_db, u"select coalesce(max(IDNODE), 0) from FR_REPTREE"_s);
    last.exec();
    const qint64 base = last.next() ? last.value(0).toLongLong() + 1 : 1;
    last.finish();
    exec(u"insert into FR_REPTREE (IDNODE, NMNODE, IDUPNODE, IDTYPE) values (?, 'Отчёты', null, 1), "
         "(?, 'Закупки', ?, 1), (?, 'Продажи', ?, 1)"_s,
         {base, base + 1, base, base + 2, base});
    exec(u"insert into scm_parametrs (inside_name_nastr, value_nastr) values ('id_sclad', '1'), "
         "('USE_DOPREGN_SCL', 'False'), ('MyOrgCons', ?), ('NDS', '20'), ('NSP', '0'), ('VIBOR', '1'), "
         "('USE_MYORG_PLAT', 'True')"_s,
         {m_ourNuser});
}

void Filler::run()
{
    settingsAndReferenceBooks();
    users();
    partners();
    catalog();
    documents();
    freeOrder();
    reports();
}

} // namespace

bool DemoData::hasDocuments(Database& db)
{
    for (const QString& table : {u"scm_business_offer"_s, u"scm_supplier_order"_s, u"scm_waybill"_s,
                                 u"scm_payments"_s, u"scm_Proforma"_s})
        if (db.scalar(u"select count(*) from (select 1 as x from %1 limit 1) t"_s.arg(table)).toLongLong() > 0)
            return true;
    return false;
}

bool DemoData::isEmpty(Database& db)
{
    if (hasDocuments(db))
        return false;
    for (const QString& table : {u"crm_product"_s, u"CRM_USERS"_s, u"VALUTCOD"_s, u"_partner"_s})
        if (db.scalar(u"select count(*) from (select 1 as x from %1 limit 1) t"_s.arg(table)).toLongLong() > 0)
            return false;
    return true;
}

void DemoData::fill(Database& db)
{
    if (!fillIfEmpty(db))
        throw Exception(u"База данных не пуста (есть документы, товары, валюты, контрагенты или пользователи): "
                        "демонстрационные данные не загружены"_s);
}

bool DemoData::fillIfEmpty(Database& db)
{
    try {
        // Checked inside the transaction: on SQLite it holds the write lock from its start, so a
        // second filler waits and then finds the rows of the first.
        Transaction tx(db);
        if (!isEmpty(db))
            return false;
        Filler(db).run();
        tx.commit();
    } catch (const DatabaseError&) {
        // On PostgreSQL a concurrent filler meets the winner's first rows as a key conflict.
        if (!isEmpty(db))
            return false;
        throw;
    }
    PlannerStatistics::refresh(db);
    return true;
}

} // namespace Tarvo::Data
