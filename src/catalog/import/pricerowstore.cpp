#include "catalog/import/pricerowstore.h"

#include "core/exception.h"

#include <QDir>
#include <QHashFunctions>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

PriceRowStore::PriceRowStore() : m_file(QDir::tempPath() + u"/tarvo-price-XXXXXX"_s)
{
    if (!m_file.open())
        throw Exception(u"Не удалось создать временный файл импорта в «%1»: %2"_s.arg(QDir::tempPath(),
                                                                                    m_file.errorString()));
    m_block.reserve(BlockSize + 4096);
}

QByteArray PriceRowStore::key(QStringView article)
{
    const QStringView t = article.trimmed();
    // Most articles are plain ASCII: folded in one pass, without the three copies of the general way
    // (for ASCII, case folding is A-Z to a-z and nothing else).
    QByteArray folded(t.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= 0x80)
            return t.toString().toCaseFolded().toUtf8();
        folded[i] = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return folded;
}

QByteArray PriceRowStore::key(QByteArrayView utf8)
{
    // QString::trimmed's white space within ASCII.
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype from = 0;
    qsizetype to = utf8.size();
    while (from < to && space(utf8[from]))
        ++from;
    while (to > from && space(utf8[to - 1]))
        --to;
    QByteArray folded(to - from, Qt::Uninitialized);
    for (qsizetype i = from; i < to; ++i) {
        const char c = utf8[i];
        if (uchar(c) >= 0x80)
            return key(QString::fromUtf8(utf8));
        folded[i - from] = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return folded;
}

quint32 PriceRowStore::spelling(QByteArrayView utf8)
{
    return quint32(qHash(utf8, 0x5bd1e995u));
}

void PriceRowStore::writeFailed() const
{
    m_failed = true;
    throw Exception(u"Не удалось записать временный файл импорта «%1» (диск заполнен?): %2"_s.arg(
        m_file.fileName(), m_file.errorString()));
}

void PriceRowStore::readFailed() const
{
    throw Exception(u"Не удалось прочитать временный файл импорта «%1»: %2"_s.arg(
        m_file.fileName(), m_file.error() != QFileDevice::NoError ? m_file.errorString() : u"файл повреждён"_s));
}

void PriceRowStore::flush() const
{
    if (m_failed)
        writeFailed();
    if (m_block.isEmpty())
        return;
    if (!m_file.seek(m_flushed) || m_file.write(m_block) != m_block.size() || !m_file.flush())
        writeFailed();
    m_flushed += m_block.size();
    m_block.resize(0);
}

void PriceRowStore::put(const PriceImportRow& row, QByteArrayView articleKey)
{
    if (m_failed)
        writeFailed();
    if (row.productId < 0 || row.productId > std::numeric_limits<qint32>::max())
        throw Exception(u"Недопустимый код товара %1 в строке импорта"_s.arg(row.productId));
    const qint32 e = m_index.insert(articleKey);
    if (m_index.at(e).flags & PriceArticleIndex::InRun)
        drop(e);

    const qint64 offset = m_flushed + m_block.size();
    if (offset > PriceArticleIndex::MaxSpill)
        throw Exception(u"Временный файл импорта превысил допустимый размер"_s);
    const qsizetype at = m_block.size();
    m_block.append(RecordHead, '\0');
    encode(m_block, row);
    const auto size = quint32(m_block.size() - at - RecordHead);
    std::memcpy(m_block.data() + at, &size, sizeof size);
    std::memcpy(m_block.data() + at + sizeof size, &e, sizeof e);
    if (m_block.size() >= BlockSize)
        flush();

    PriceArticleIndex::Entry& entry = m_index.at(e);
    entry.setSpill(offset);
    entry.flags |= PriceArticleIndex::InRun;
    entry.run = qint32(row.productId);
    ++m_live;
    m_setFields |= row.setFields();
    if (entry.run == 0)
        ++m_deferred;
    else
        m_index.setHolder(entry.run, e);
}

void PriceRowStore::drop(qint32 e)
{
    PriceArticleIndex::Entry& entry = m_index.at(e);
    if (!(entry.flags & PriceArticleIndex::InRun))
        return;
    entry.flags &= ~PriceArticleIndex::InRun;
    entry.setSpill(-1);
    --m_live;
    if (entry.run == 0) {
        --m_deferred;
    } else if (m_index.holder(entry.run) == e &&
               !((entry.flags & PriceArticleIndex::Stored) && entry.stored == entry.run)) {
        m_index.dropHolder(entry.run);
    }
    entry.run = 0;
}

void PriceRowStore::remove(QByteArrayView articleKey)
{
    if (const qint32 e = m_index.find(articleKey); e >= 0)
        drop(e);
}

bool PriceRowStore::contains(QByteArrayView articleKey) const
{
    const qint32 e = m_index.find(articleKey);
    return e >= 0 && (m_index.at(e).flags & PriceArticleIndex::InRun);
}

PriceImportRow PriceRowStore::row(qint32 e) const
{
    flush();
    const PriceArticleIndex::Entry& entry = m_index.at(e);
    PriceImportRow row;
    if (entry.spill() < 0 || !m_file.seek(entry.spill()))
        readFailed();
    const QByteArray head = m_file.read(RecordHead);
    quint32 size = 0;
    qint32 stored = -1;
    if (head.size() == RecordHead) {
        std::memcpy(&size, head.constData(), sizeof size);
        std::memcpy(&stored, head.constData() + sizeof size, sizeof stored);
    }
    const QByteArray body = stored == e ? m_file.read(size) : QByteArray();
    if (stored != e || body.size() != qsizetype(size) || !decode(body, row))
        readFailed();
    return row;
}

void PriceRowStore::forEach(const std::function<void(const PriceImportRow&, qint32)>& f) const
{
    flush();
    if (!m_file.seek(0))
        readFailed();
    // One pass through the file in large reads: a record counts when its entry still points at it.
    QByteArray chunk;
    qsizetype at = 0;        // next record in chunk
    qint64 chunkOffset = 0;  // file offset of chunk[0]
    PriceImportRow row;
    while (chunkOffset + at < m_flushed) {
        quint32 size = 0;
        if (chunk.size() - at >= RecordHead)
            std::memcpy(&size, chunk.constData() + at, sizeof size);
        if (chunk.size() - at < RecordHead || chunk.size() - at < RecordHead + qsizetype(size)) {
            // The rest of this chunk and the next piece of the file.
            chunk.remove(0, at);
            chunkOffset += at;
            at = 0;
            const qint64 want = std::min<qint64>(m_flushed - chunkOffset - chunk.size(),
                                                 std::max<qint64>(BlockSize, RecordHead + qint64(size)));
            if (want <= 0)
                readFailed(); // a record cut short
            const QByteArray more = m_file.read(want);
            if (more.size() != want)
                readFailed();
            chunk.append(more);
            continue;
        }
        qint32 e = -1;
        std::memcpy(&e, chunk.constData() + at + sizeof size, sizeof e);
        const qint64 offset = chunkOffset + at;
        if (e < 0 || e >= m_index.size())
            readFailed();
        const PriceArticleIndex::Entry& entry = m_index.at(e);
        if ((entry.flags & PriceArticleIndex::InRun) && entry.spill() == offset) {
            if (!decode(QByteArrayView(chunk.constData() + at + RecordHead, size), row))
                readFailed();
            f(row, e);
        }
        at += RecordHead + qsizetype(size);
    }
}

} // namespace Tarvo::Catalog
