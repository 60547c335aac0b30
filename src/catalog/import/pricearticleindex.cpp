#include "catalog/import/pricearticleindex.h"

#include "core/exception.h"

#include <QHashFunctions>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

size_t productHash(qint32 product)
{
    return size_t(quint32(product) * 0x9E3779B1u);
}

} // namespace

PriceArticleIndex::PriceArticleIndex() : m_keys(1024, 0), m_products(1024) {}

PriceArticleIndex::~PriceArticleIndex() = default;

QByteArrayView PriceArticleIndex::keyOf(qint32 i) const
{
    const Entry& e = at(i);
    return {m_arena[e.key / ArenaBlock].get() + e.key % ArenaBlock, qsizetype(e.keySize)};
}

qint32 PriceArticleIndex::find(QByteArrayView key) const
{
    const size_t mask = m_keys.size() - 1;
    for (size_t s = qHash(key) & mask;; s = (s + 1) & mask) {
        const quint32 v = m_keys[s];
        if (v == 0)
            return -1;
        if (keyOf(qint32(v - 1)) == key)
            return qint32(v - 1);
    }
}

qint32 PriceArticleIndex::insert(QByteArrayView key)
{
    if (const qint32 found = find(key); found >= 0)
        return found;
    if (key.size() > MaxKey)
        throw Exception(u"Артикул прайса слишком длинный для индекса импорта"_s);
    if (size_t(m_size + 1) * 10 > m_keys.size() * 7)
        growKeys();
    if (m_arenaUsed + size_t(key.size()) > ArenaBlock) {
        if (m_arena.size() >= (size_t(1) << 32) / ArenaBlock)
            throw Exception(u"Слишком много артикулов для одного импорта"_s);
        m_arena.push_back(std::make_unique<char[]>(ArenaBlock));
        m_arenaUsed = 0;
    }
    const size_t offset = (m_arena.size() - 1) * ArenaBlock + m_arenaUsed;
    if (key.size() > 0)
        std::memcpy(m_arena.back().get() + m_arenaUsed, key.data(), size_t(key.size()));
    m_arenaUsed += size_t(key.size());

    if ((size_t(m_size) >> BlockBits) == m_blocks.size())
        m_blocks.push_back(std::make_unique<Entry[]>(BlockMask + 1));
    const qint32 i = m_size++;
    Entry& e = at(i);
    e = Entry{};
    e.key = quint32(offset);
    e.keySize = quint8(key.size());

    const size_t mask = m_keys.size() - 1;
    size_t s = qHash(key) & mask;
    while (m_keys[s] != 0)
        s = (s + 1) & mask;
    m_keys[s] = quint32(i + 1);
    return i;
}

void PriceArticleIndex::growKeys()
{
    std::vector<quint32> keys(m_keys.size() * 2, 0);
    const size_t mask = keys.size() - 1;
    for (qint32 i = 0; i < m_size; ++i) {
        size_t s = qHash(keyOf(i)) & mask;
        while (keys[s] != 0)
            s = (s + 1) & mask;
        keys[s] = quint32(i + 1);
    }
    m_keys = std::move(keys);
}

size_t PriceArticleIndex::productSlot(qint32 product) const
{
    const size_t mask = m_products.size() - 1;
    size_t s = productHash(product) & mask;
    while (m_products[s].product != 0 && m_products[s].product != product)
        s = (s + 1) & mask;
    return s;
}

qint32 PriceArticleIndex::holder(qint32 product) const
{
    if (product == 0)
        return -1;
    const ProductSlot& p = m_products[productSlot(product)];
    return p.product == product ? p.entry : -1;
}

void PriceArticleIndex::setHolder(qint32 product, qint32 entry)
{
    if (product == 0)
        return;
    if (size_t(m_productCount + 1) * 10 > m_products.size() * 7)
        growProducts();
    ProductSlot& p = m_products[productSlot(product)];
    if (p.product == 0)
        ++m_productCount;
    p = {product, entry};
}

void PriceArticleIndex::dropHolder(qint32 product)
{
    if (product == 0)
        return;
    const size_t mask = m_products.size() - 1;
    size_t hole = productSlot(product);
    if (m_products[hole].product != product)
        return;
    --m_productCount;
    // Linear probing: later slots of the same run move back into the hole, so every lookup
    // still meets its product before a free slot.
    for (size_t s = (hole + 1) & mask; m_products[s].product != 0; s = (s + 1) & mask) {
        const size_t home = productHash(m_products[s].product) & mask;
        const bool between = hole <= s ? (hole < home && home <= s) : (hole < home || home <= s);
        if (!between) {
            m_products[hole] = m_products[s];
            hole = s;
        }
    }
    m_products[hole] = {};
}

void PriceArticleIndex::growProducts()
{
    std::vector<ProductSlot> old(m_products.size() * 2);
    old.swap(m_products);
    for (const ProductSlot& p : old)
        if (p.product != 0)
            m_products[productSlot(p.product)] = p;
}

void PriceArticleIndex::reserve(qint64 articles)
{
    // The sizes growth would reach: a power of two at most 70 % full.
    size_t room = m_keys.size();
    while (size_t(articles) * 10 > room * 7)
        room *= 2;
    if (room > m_keys.size()) {
        m_keys.resize(room / 2); // growKeys doubles it and places every key again
        growKeys();
    }
    room = m_products.size();
    while (size_t(articles) * 10 > room * 7)
        room *= 2;
    if (room > m_products.size()) {
        m_products.resize(room / 2);
        growProducts();
    }
}

qint64 PriceArticleIndex::allocated() const
{
    return qint64(m_blocks.size() * (BlockMask + 1) * sizeof(Entry) + m_arena.size() * ArenaBlock +
                  m_keys.size() * sizeof(quint32) + m_products.size() * sizeof(ProductSlot));
}

} // namespace Tarvo::Catalog
