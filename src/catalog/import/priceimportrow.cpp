#include "catalog/import/priceimportrow.h"

#include <cstring>

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

// Fixed-size values in host order: the file lives only as long as the run, on this machine.
template <typename T> void putRaw(QByteArray& out, T v)
{
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void putText(QByteArray& out, const QString& s)
{
    const qsizetype at = out.size();
    out.resize(at + 4 + s.size());
    char* p = out.data() + at + 4;
    // Most text is ASCII: copied in one pass, the rest converted the general way.
    for (const QChar c : s) {
        if (c.unicode() >= 0x80) {
            const QByteArray utf8 = s.toUtf8();
            out.resize(at + 4);
            out.append(utf8);
            break;
        }
        *p++ = char(c.unicode());
    }
    const auto size = quint32(out.size() - at - 4);
    std::memcpy(out.data() + at, &size, sizeof size);
}

class Reader
{
public:
    explicit Reader(QByteArrayView in) : m_in(in) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_in.size(); }
    template <typename T> T raw()
    {
        T v{};
        if (m_at + qsizetype(sizeof v) > m_in.size()) {
            m_ok = false;
            return v;
        }
        std::memcpy(&v, m_in.data() + m_at, sizeof v);
        m_at += sizeof v;
        return v;
    }
    QString text()
    {
        const auto n = qsizetype(raw<quint32>());
        if (!m_ok || n > m_in.size() - m_at) {
            m_ok = false;
            return {};
        }
        const QString s = QString::fromUtf8(m_in.data() + m_at, n);
        m_at += n;
        return s;
    }

private:
    QByteArrayView m_in;
    qsizetype m_at = 0;
    bool m_ok = true;
};

} // namespace

void encode(QByteArray& out, const PriceImportRow& r)
{
    quint16 present = (r.deliveryDelay ? 1u : 0u) | (r.chainDelay ? 2u : 0u) | (r.minLot ? 4u : 0u) |
                      (r.piecesPerPack ? 8u : 0u) | (r.name ? 16u : 0u);
    for (size_t i = 0; i < r.extras.size(); ++i)
        if (r.extras[i])
            present |= quint16(32u << i);
    putRaw(out, r.productId);
    putRaw(out, r.line);
    putRaw(out, r.price.raw());
    putRaw(out, present);
    putText(out, r.article);
    putText(out, r.currency);
    if (r.deliveryDelay)
        putRaw(out, *r.deliveryDelay);
    if (r.chainDelay)
        putRaw(out, *r.chainDelay);
    if (r.minLot)
        putRaw(out, r.minLot->raw());
    if (r.piecesPerPack)
        putRaw(out, r.piecesPerPack->raw());
    if (r.name)
        putText(out, *r.name);
    for (const auto& e : r.extras)
        if (e)
            putText(out, *e);
    putRaw(out, quint32(r.prices.size()));
    for (const auto& [name, value] : r.prices) {
        putText(out, name);
        putRaw(out, value.raw());
    }
}

bool decode(QByteArrayView in, PriceImportRow& r)
{
    Reader d(in);
    r.productId = d.raw<qint64>();
    r.line = d.raw<qint64>();
    r.price = Money::fromRaw(d.raw<qint64>());
    const auto present = d.raw<quint16>();
    r.article = d.text();
    r.currency = d.text();
    const auto optional = [&](auto& field, quint16 bit, auto read) {
        if (present & bit)
            field = read();
        else
            field.reset();
    };
    optional(r.deliveryDelay, 1, [&] { return d.raw<qint16>(); });
    optional(r.chainDelay, 2, [&] { return d.raw<qint16>(); });
    optional(r.minLot, 4, [&] { return Money::fromRaw(d.raw<qint64>()); });
    optional(r.piecesPerPack, 8, [&] { return Money::fromRaw(d.raw<qint64>()); });
    optional(r.name, 16, [&] { return d.text(); });
    for (size_t i = 0; i < r.extras.size(); ++i)
        optional(r.extras[i], quint16(32u << i), [&] { return d.text(); });
    const auto n = d.raw<quint32>();
    r.prices.clear();
    for (quint32 i = 0; i < n && d.ok(); ++i) {
        QString name = d.text();
        r.prices.append({std::move(name), Money::fromRaw(d.raw<qint64>())});
    }
    return d.ok() && d.atEnd();
}

} // namespace Tarvo::Catalog
