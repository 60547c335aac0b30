#include "SupplierOrders/supplierorderforming.h"

#include "SupplierOrders/supplierorderwriter.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/rowset/numberformat.h"

using namespace Qt::StringLiterals;

namespace Tarvo::SupplierOrders {

void SupplierOrderForming::load()
{
    m_lines = OpenRequestAmounts::read(m_db);
    m_products = OpenRequestAmounts::perProduct(m_lines);
    m_productOffers.clear();
    m_assignments.clear();
}

void SupplierOrderForming::open()
{
    load();
    if (!m_products.isEmpty())
        offers(m_products.first().productId);
}

const OpenProduct* SupplierOrderForming::product(qint64 productId) const
{
    for (const OpenProduct& p : m_products)
        if (p.productId == productId)
            return &p;
    return nullptr;
}

const QList<SupplierOffer>& SupplierOrderForming::offers(qint64 productId)
{
    auto found = m_productOffers.find(productId);
    if (found == m_productOffers.end())
        found = m_productOffers.insert(productId, m_offers.forProduct(productId));
    return *found;
}

SupplierOffer& SupplierOrderForming::offer(qint64 productId, qint64 supplierId)
{
    offers(productId);
    for (SupplierOffer& o : m_productOffers[productId])
        if (o.supplierId == supplierId)
            return o;
    throw Exception(u"Поставщик %1 не предлагает этот товар"_s.arg(supplierId));
}

QList<SupplierAssignment> SupplierOrderForming::assignmentsOf(qint64 productId) const
{
    QList<SupplierAssignment> result;
    for (const SupplierAssignment& a : m_assignments)
        if (a.productId == productId)
            result << a;
    return result;
}

Money SupplierOrderForming::assigned(qint64 productId) const
{
    Money total;
    for (const SupplierAssignment& a : m_assignments)
        if (a.productId == productId)
            total += a.amount;
    return total;
}

Money SupplierOrderForming::unassigned(qint64 productId) const
{
    const OpenProduct* p = product(productId);
    return p ? p->required - assigned(productId) : Money();
}

QString SupplierOrderForming::overAssignedMessage(const OpenProduct& product, Money wanted)
{
    return u"Товар %1: требуется %2, поставщикам нельзя назначить %3"_s.arg(
        product.article, Data::NumberFormat::quantity(product.required), Data::NumberFormat::quantity(wanted));
}

void SupplierOrderForming::assign(qint64 productId, qint64 supplierId, Money amount)
{
    const OpenProduct* p = product(productId);
    if (!p)
        throw Exception(u"Товар не требуется ни одной одобренной заявкой"_s);
    if (amount < Money())
        throw Exception(u"Количество должно быть больше нуля"_s);
    qsizetype at = -1;
    Money others;
    for (qsizetype i = 0; i < m_assignments.size(); ++i) {
        const SupplierAssignment& a = m_assignments[i];
        if (a.productId != productId)
            continue;
        if (a.supplierId == supplierId)
            at = i;
        else
            others += a.amount;
    }
    if (amount.isZero()) {
        if (at >= 0)
            m_assignments.removeAt(at);
        return;
    }
    if (others + amount > p->required)
        throw Exception(overAssignedMessage(*p, others + amount));
    SupplierOffer& o = offer(productId, supplierId);
    m_offers.requireRate(o);
    SupplierAssignment a{productId, supplierId, o.supplierName, amount, o.currency, *o.roublePrice, o.price};
    if (at >= 0)
        m_assignments[at] = a;
    else
        m_assignments << a;
}

void SupplierOrderForming::assignRest(qint64 productId, qint64 supplierId)
{
    const Money rest = unassigned(productId);
    if (rest <= Money())
        throw Exception(u"Все требуемое количество товара уже назначено поставщикам"_s);
    Money own;
    for (const SupplierAssignment& a : m_assignments)
        if (a.productId == productId && a.supplierId == supplierId)
            own = a.amount;
    assign(productId, supplierId, own + rest);
}

PreparedOrders SupplierOrderForming::prepare() const
{
    return SupplierOrderPreparation::prepare(m_lines, m_assignments);
}

QList<qint64> SupplierOrderForming::save(const PreparedOrders& prepared)
{
    const QList<qint64> ids = SupplierOrderWriter::save(m_db, prepared);
    load();
    return ids;
}

} // namespace Tarvo::SupplierOrders
