#include "catalog/import/pricerowstore.h"

#include "core/exception.h"

#include <QDir>
#include <QHashFunctions>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

PriceRowStore::PriceRowStore() : m_file(QDir::tempPath() + u"/tarvo-price-XXXXXX"_s)
{
    if (!m_file.open())
        throw Exception(u"Не удалось создать временный файл импорта в «%1»: %2"_s.arg(QDir::tempPath(),
                                                                                    m_file.errorString()));
    m_block.open(QIODevice::ReadWrite);
    m_stream.setDevice(&m_block);
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

quint32 PriceRowStore::spelling(QStringView article)
{
    return quint32(qHash(article, 0x5bd1e995u));
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
    const QByteArray& data = m_block.data();
    if (data.isEmpty())
        return;
    if (!m_file.seek(m_flushed) || m_file.write(data) != data.size() || !m_file.flush())
        writeFailed();
    m_flushed += data.size();
    m_block.buffer().resize(0);
    m_block.seek(0);
}

void PriceRowStore::put(const PriceImportRow& row)
{
    if (m_failed)
        writeFailed();
    if (row.productId < 0 || row.productId > std::numeric_limits<qint32>::max())
        throw Exception(u"Недопустимый код товара %1 в строке импорта"_s.arg(row.productId));
    const qint32 e = m_index.insert(key(row.article));
    if (m_index.at(e).flags & PriceArticleIndex::InRun)
        drop(e);

    const qint64 offset = m_flushed + m_block.pos();
    if (offset > PriceArticleIndex::MaxSpill)
        throw Exception(u"Временный файл импорта превысил допустимый размер"_s);
    m_stream << qint32(e) << row;
    if (m_stream.status() != QDataStream::Ok)
        writeFailed();
    if (m_block.pos() >= BlockSize)
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
    QDataStream in(&m_file);
    qint32 stored = -1;
    in >> stored >> row;
    if (in.status() != QDataStream::Ok || stored != e)
        readFailed();
    return row;
}

void PriceRowStore::forEach(const std::function<void(const PriceImportRow&, qint32)>& f) const
{
    flush();
    if (!m_file.seek(0))
        readFailed();
    // One pass through the file: a record counts when its entry still points at it.
    QDataStream in(&m_file);
    PriceImportRow row;
    while (m_file.pos() < m_flushed) {
        const qint64 offset = m_file.pos();
        qint32 e = -1;
        in >> e >> row;
        if (in.status() != QDataStream::Ok || e < 0 || e >= m_index.size())
            readFailed();
        const PriceArticleIndex::Entry& entry = m_index.at(e);
        if ((entry.flags & PriceArticleIndex::InRun) && entry.spill() == offset)
            f(row, e);
    }
}

} // namespace Tarvo::Catalog
