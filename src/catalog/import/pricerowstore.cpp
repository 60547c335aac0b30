#include "catalog/import/pricerowstore.h"

#include "core/exception.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

PriceRowStore::PriceRowStore() : m_file(QDir::tempPath() + u"/tarvo-price-XXXXXX"_s)
{
    if (!m_file.open())
        throw Exception(u"Не удалось создать временный файл импорта в «%1»: %2"_s.arg(QDir::tempPath(),
                                                                                    m_file.errorString()));
    m_stream.setDevice(&m_file);
}

QString PriceRowStore::key(const QString& article)
{
    return article.trimmed().toCaseFolded();
}

void PriceRowStore::writeFailed() const
{
    throw Exception(u"Не удалось записать временный файл импорта «%1» (диск заполнен?): %2"_s.arg(
        m_file.fileName(), m_file.errorString()));
}

void PriceRowStore::put(const PriceImportRow& row)
{
    const QString k = key(row.article);
    if (!m_appending) {
        if (!m_file.seek(m_file.size()))
            writeFailed();
        m_appending = true;
    }
    const qint64 offset = m_file.pos();
    m_stream << row;
    if (m_stream.status() != QDataStream::Ok || m_file.error() != QFileDevice::NoError)
        writeFailed();

    auto it = m_index.find(k);
    if (it != m_index.end()) {
        Slot& s = m_slots[size_t(*it)];
        if (s.productId == 0)
            --m_deferred;
        else
            m_byProduct.remove(s.productId);
        s = {offset, row.productId};
    } else {
        m_index.insert(k, qint32(m_slots.size()));
        m_slots.push_back({offset, row.productId});
        ++m_live;
    }
    if (row.productId == 0)
        ++m_deferred;
    else
        m_byProduct.insert(row.productId, m_index.value(k));
}

void PriceRowStore::remove(const QString& articleKey)
{
    const auto it = m_index.find(articleKey);
    if (it == m_index.end())
        return;
    Slot& s = m_slots[size_t(*it)];
    if (s.productId == 0)
        --m_deferred;
    else
        m_byProduct.remove(s.productId);
    s.offset = -1;
    --m_live;
    m_index.erase(it);
}

QString PriceRowStore::articleOfProduct(qint64 productId) const
{
    const auto it = m_byProduct.find(productId);
    if (it == m_byProduct.end())
        return {};
    PriceImportRow row;
    m_appending = false;
    if (!m_file.seek(m_slots[size_t(*it)].offset))
        return {};
    m_stream >> row;
    return row.article;
}

void PriceRowStore::forEach(const std::function<void(const PriceImportRow&)>& f) const
{
    m_appending = false;
    PriceImportRow row;
    for (const Slot& s : m_slots) {
        if (s.offset < 0)
            continue;
        if (!m_file.seek(s.offset))
            throw Exception(u"Не удалось прочитать временный файл импорта: %1"_s.arg(m_file.errorString()));
        m_stream >> row;
        if (m_stream.status() != QDataStream::Ok)
            throw Exception(u"Временный файл импорта повреждён: %1"_s.arg(m_file.fileName()));
        f(row);
    }
}

} // namespace Tarvo::Catalog
