#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>
#include <vector>

namespace Tarvo::Catalog {

// The articles of one import run, compact enough for millions of them: the keys live in one arena
// of UTF-8 bytes, the entries in fixed blocks, and two open-addressing tables of offsets find an
// entry by its key or by the product it holds (about 60 bytes per article in all).
class PriceArticleIndex
{
public:
    enum Flag : quint8 {
        Stored = 1,  // in the supplier's stored article map
        Waiting = 2, // already deferred for "Разбор прайс-листов"
        Left = 4,    // skipped in this run: not asked again
        InRun = 8,   // a row of this run is kept for it
    };
    // 24 bytes: the file offset is split so that nothing needs 8-byte alignment.
    struct Entry
    {
        quint32 key = 0;      // offset of the key in the arena
        qint32 stored = 0;    // the product of the stored map
        qint32 run = 0;       // the product of the kept row, 0: deferred
        quint32 spelling = 0; // hash of the stored article as spelled there
        quint32 spillLow = 0;
        quint16 spillHigh = 0xFFFF; // with spillLow: offset of the kept row in the run's file
        quint8 keySize = 0;
        quint8 flags = 0;

        qint64 spill() const
        {
            return spillHigh == 0xFFFF ? -1 : qint64(spillLow) | (qint64(spillHigh) << 32);
        }
        void setSpill(qint64 offset)
        {
            spillLow = offset < 0 ? 0 : quint32(offset);
            spillHigh = offset < 0 ? 0xFFFF : quint16(offset >> 32);
        }
    };
    static_assert(sizeof(Entry) == 24);
    static constexpr qint64 MaxSpill = (qint64(0xFFFF) << 32) - 1;
    static constexpr int MaxKey = 255;

    PriceArticleIndex();
    ~PriceArticleIndex();
    PriceArticleIndex(const PriceArticleIndex&) = delete;
    PriceArticleIndex& operator=(const PriceArticleIndex&) = delete;

    // -1 when the key is unknown.
    qint32 find(QByteArrayView key) const;
    // The entry of the key, added when new.
    qint32 insert(QByteArrayView key);
    Entry& at(qint32 i) { return m_blocks[size_t(i) >> BlockBits][size_t(i) & BlockMask]; }
    const Entry& at(qint32 i) const { return m_blocks[size_t(i) >> BlockBits][size_t(i) & BlockMask]; }
    QByteArrayView keyOf(qint32 i) const;
    qint32 size() const { return m_size; }

    // The entry recorded as holding the product, -1 when none.
    qint32 holder(qint32 product) const;
    void setHolder(qint32 product, qint32 entry);
    void dropHolder(qint32 product);

    // Room for `articles` keys and as many products without growing on the way.
    void reserve(qint64 articles);

    // Bytes allocated by the index.
    qint64 allocated() const;

private:
    static constexpr int BlockBits = 16;
    static constexpr size_t BlockMask = (size_t(1) << BlockBits) - 1;
    static constexpr size_t ArenaBlock = size_t(1) << 20;
    struct ProductSlot
    {
        qint32 product = 0; // 0: free
        qint32 entry = 0;
    };
    void growKeys();
    void growProducts();
    size_t productSlot(qint32 product) const;

    std::vector<std::unique_ptr<Entry[]>> m_blocks;
    std::vector<std::unique_ptr<char[]>> m_arena;
    size_t m_arenaUsed = ArenaBlock; // in the last block
    std::vector<quint32> m_keys;     // entry + 1, 0: free
    std::vector<ProductSlot> m_products;
    qint32 m_size = 0;
    qint32 m_productCount = 0;
};

} // namespace Tarvo::Catalog
