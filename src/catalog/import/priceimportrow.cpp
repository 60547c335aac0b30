#include "catalog/import/priceimportrow.h"

#include <QDataStream>

namespace Tarvo::Catalog {

void PriceImportRow::setPrice(const QString& priceName, Money value)
{
    for (auto& p : prices)
        if (p.first == priceName) {
            p.second = value;
            return;
        }
    prices.append({priceName, value});
}

quint32 PriceImportRow::setFields() const
{
    quint32 bits = (deliveryDelay ? 1u : 0u) | (minLot ? 2u : 0u) | (piecesPerPack ? 4u : 0u) |
                   (chainDelay ? 8u : 0u) | (name ? 16u : 0u);
    for (size_t i = 0; i < extras.size(); ++i)
        if (extras[i])
            bits |= 32u << i;
    return bits;
}

namespace {

QDataStream& operator<<(QDataStream& out, Money m)
{
    return out << qint64(m.raw());
}

QDataStream& operator>>(QDataStream& in, Money& m)
{
    qint64 raw = 0;
    in >> raw;
    m = Money::fromRaw(raw);
    return in;
}

template <typename T> void put(QDataStream& out, const std::optional<T>& v)
{
    out << bool(v);
    if (v)
        out << *v;
}

template <typename T> void get(QDataStream& in, std::optional<T>& v)
{
    bool has = false;
    in >> has;
    if (has) {
        T value{};
        in >> value;
        v = value;
    } else {
        v.reset();
    }
}

} // namespace

QDataStream& operator<<(QDataStream& out, const PriceImportRow& r)
{
    out << r.productId << r.article << r.currency << r.price;
    put(out, r.deliveryDelay);
    put(out, r.chainDelay);
    put(out, r.minLot);
    put(out, r.piecesPerPack);
    put(out, r.name);
    for (const auto& e : r.extras)
        put(out, e);
    out << qint32(r.prices.size());
    for (const auto& p : r.prices)
        out << p.first << p.second;
    return out << r.line;
}

QDataStream& operator>>(QDataStream& in, PriceImportRow& r)
{
    in >> r.productId >> r.article >> r.currency >> r.price;
    get(in, r.deliveryDelay);
    get(in, r.chainDelay);
    get(in, r.minLot);
    get(in, r.piecesPerPack);
    get(in, r.name);
    for (auto& e : r.extras)
        get(in, e);
    qint32 n = 0;
    in >> n;
    r.prices.clear();
    for (qint32 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
        QString name;
        Money m;
        in >> name >> m;
        r.prices.append({name, m});
    }
    return in >> r.line;
}

} // namespace Tarvo::Catalog
