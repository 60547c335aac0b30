#include "catalog/prices/ourpricelist.h"

#include "catalog/prices/productstore.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "messaging/tourtvrexchange.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

const QHash<QString, QString>& captions()
{
    static const QHash<QString, QString> c{
        {u"sam_pr_id"_s, u"Код"_s},
        {u"pr_articul"_s, u"Артикул"_s},
        {u"pr_name"_s, u"Наименование"_s},
        {u"pr_edin_izmer"_s, u"Ед. изм."_s},
        {u"ou_price"_s, u"Цена, руб."_s},
        {u"op_prval"_s, u"В валюте"_s},
        {u"op_codval"_s, u"Валюта"_s},
        {u"op_valprice"_s, u"Цена в валюте"_s},
        {u"pr_mn_id"_s, u"Производитель"_s},
        {u"pr_pe_id"_s, u"Группа эквивалентов"_s},
        {u"pr_tip_tovr"_s, u"Вид товара"_s},
        {u"pr_type"_s, u"Тип"_s},
        {u"pr_weight"_s, u"Вес"_s},
        {u"pr_volume"_s, u"Объём"_s},
        {u"pr_discount"_s, u"Скидка"_s},
        {u"pr_dop1"_s, u"Доп. 1"_s},
        {u"pr_dop2"_s, u"Доп. 2"_s},
        {u"pr_dop3"_s, u"Доп. 3"_s},
        {u"pr_dop1_artic"_s, u"Доп. артикул 1"_s},
        {u"pr_okdp_artic"_s, u"ОКДП"_s},
        {u"pr_s100"_s, u"S100"_s},
        {u"pr_s50"_s, u"S50"_s},
        {u"pr_ball"_s, u"Балл"_s},
        {u"pr_dlina_art"_s, u"Длина"_s},
        {u"pr_shirin_art"_s, u"Ширина"_s},
        {u"pr_vysota_art"_s, u"Высота"_s},
        {u"pr_razm_izmer"_s, u"Ед. размера"_s},
        {u"pr_dop3_artic"_s, u"Доп. артикул 3"_s},
        {u"pr_prim"_s, u"Примечание"_s},
    };
    return c;
}

} // namespace

QString OurPriceList::caption(const QString& column)
{
    return captions().value(column.toLower());
}

OurPriceList::OurPriceList(Data::Database& readDb, Data::Database& writeDb, bool editable)
    : TUpdatedADODataSet(&readDb), m_writeDb(writeDb)
{
    setReadOnly(!editable);
    createRecordSetProc = [this](TUpdatedADODataSet&) {
        const OurPriceQuery s = m_paged ? m_statement.page({}, m_batchRows) : m_statement;
        auto q = std::make_unique<Data::Query>(*database(), s.sql);
        q->bindAll(s.params);
        return q;
    };
    if (!editable)
        return;
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        ProductStore store(m_writeDb);
        const auto value = [&ds](const QString& c) { return ds.value(c); };
        if (ds.state() == Data::RowSetState::Insert) {
            const qint64 id = store.insert(value);
            ds.setValue(u"sam_pr_id"_s, id);
            if (m_more)
                m_added << id;
        }
        else
            store.update(ds.integer(u"sam_pr_id"_s), value);
    };
    onInternalDelete = [this](TUpdatedADODataSet& ds) {
        ProductStore(m_writeDb).remove(ds.integer(u"sam_pr_id"_s));
        ++m_deleted;
    };
}

std::unique_ptr<Messaging::TOurTvrExchange> OurPriceList::exchange() const
{
    auto e = std::make_unique<Messaging::TOurTvrExchange>();
    e->productId = integer(u"sam_pr_id"_s);
    e->articul = string(u"PR_ARTICUL"_s).trimmed();
    e->name = string(u"PR_NAME"_s).trimmed();
    e->price = money(u"ou_price"_s);
    e->valPrice = money(u"op_valprice"_s);
    e->inCurrency = value(u"op_prval"_s).toBool();
    e->currencyCode = string(u"op_codval"_s).trimmed();
    e->unit = string(u"PR_EDIN_IZMER"_s).trimmed();
    e->groupId = integer(u"PR_GROUPID"_s);
    return e;
}

bool OurPriceList::canFetchMore() const
{
    return m_more && isActive();
}

void OurPriceList::fetchMore()
{
    if (!canFetchMore())
        return;
    checkBrowseMode();
    // Batches grow, so a list read to its end (before a sort or a search) costs few statements.
    m_requested = qMin(m_requested * 2, m_batchRows * 8);
    const OurPriceQuery s = m_statement.page(m_lastKey, m_requested, m_added);
    Data::Query q(*database(), s.sql);
    q.bindAll(s.params);
    batchRead(appendFrom(q));
}

int OurPriceList::expectedUnreadRows() const
{
    // Asked also while a batch is being appended: worked out from the rows held, not from what
    // the last batch was noted to bring.
    if (!canFetchMore() || m_counted < 0)
        return -1;
    return qMax(0, m_counted - (recordCount() - int(m_added.size()) + m_deleted));
}

void OurPriceList::batchRead(int rows)
{
    m_more = rows >= m_requested;
    // A batch goes after every other row, the products added here included.
    if (const Data::RowSetRow* last = lastRow(); last && rows > 0)
        m_lastKey = last->values.at(fieldIndexOrThrow(u"sam_pr_id"_s));
}

void OurPriceList::showNode(qint64 nodeId, bool withSubgroups, const OurPriceQuery::Search& search)
{
    m_statement = OurPriceQuery::forNode(nodeId, withSubgroups, database()->dialect().likeOperator(), search);
    m_node = nodeId;
    m_subgroups = withSubgroups;
    m_search = search;
    // A filter hides rows, so where a batch ended could not be told: such a list is read whole.
    m_paged = filter().isEmpty();
    m_more = false;
    m_requested = m_batchRows;
    m_added.clear();
    m_counted = -1;
    m_deleted = 0;
    if (!sort().isEmpty()) {
        m_keptSort = sort();
        m_keptCollation = sortCollation();
    }
    close();
    // Ordering on open would read the whole node at once.
    setSort({});
    open();
    if (m_paged)
        batchRead(recordCount());
    if (m_more) {
        Data::Query count(*database(), u"select count(*) from ("_s + m_statement.sql + u") q"_s);
        count.bindAll(m_statement.params);
        count.exec();
        if (count.next())
            m_counted = count.value(0).toInt();
    }
    for (int i = 0; i < fieldCount(); ++i) {
        const QString c = caption(field(i).name);
        field(i).displayLabel = c.isEmpty() ? u"-"_s : c;
    }
}

} // namespace Tarvo::Catalog
