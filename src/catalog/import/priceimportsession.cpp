#include "catalog/import/priceimportsession.h"

#include "catalog/import/priceimportprompts.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/engine/textrowcursor.h"
#include "tarvo/priceimport.h"

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

PriceImportSession::PriceImportSession(Data::Database& db, const QString& supplierNUser,
                                       PriceImportPrompts& prompts)
    : m_db(db), m_prompts(prompts), m_nuser(supplierNUser)
{
    {
        Data::Query q(db, u"select par_ID from scm_partner where par_nuser = ?"_s);
        q.bindAll({supplierNUser}).exec();
        if (q.next())
            m_supplierId = q.integer(0);
    }
    // Read once per run: every row of the file is matched against it.
    PriceArticleIndex& index = m_store.index();
    if (m_supplierId > 0) {
        // A million articles: read as UTF-8, never as variants.
        Data::Query count(db, u"select count(*) from scm_artcmap where sam_prv_id = ?"_s);
        count.bindAll({m_supplierId}).exec();
        if (count.next())
            index.reserve(count.integer(0));
        Data::Query q(db, u"select sam_artc, sam_pr_id from scm_artcmap where sam_prv_id = ?"_s);
        q.bindAll({m_supplierId});
        Data::TextRowCursor rows(q);
        while (rows.next()) {
            const QByteArrayView article = rows.text(0);
            const qint32 e = index.insert(PriceRowStore::key(article));
            const auto product = qint32(rows.integer(1));
            PriceArticleIndex::Entry& entry = index.at(e);
            entry.flags |= PriceArticleIndex::Stored;
            entry.stored = product;
            entry.spelling = PriceRowStore::spelling(article);
            index.setHolder(product, e);
        }
        Data::Query w(db, u"select uhp_artc from scm_unhand_prod where uhp_par_id = ?"_s);
        w.bindAll({m_supplierId}).exec();
        while (w.next())
            index.at(index.insert(PriceRowStore::key(w.string(0)))).flags |= PriceArticleIndex::Waiting;
    }
    Data::Query q(db, u"select CODVALUT from VALUTCOD"_s);
    q.exec();
    while (q.next())
        m_currencies.insert(PriceRowStore::key(q.string(0)), q.string(0).trimmed());
}

bool PriceImportSession::isOwnSupplier(const QString& text) const
{
    const QString t = text.trimmed();
    return t.isEmpty() || t.compare(m_nuser.trimmed(), Qt::CaseInsensitive) == 0 ||
           (m_supplierId > 0 && t == QString::number(m_supplierId));
}

void PriceImportSession::report(const QString& text)
{
    ++m_reportCount;
    if (m_reports.size() < MaxReports)
        m_reports << text;
}

void PriceImportSession::reject(const QString& why)
{
    report(u"Строка %1 (артикул «%2»): %3"_s.arg(m_rows).arg(m_current ? m_current->article : QString(), why));
    m_current.reset();
    ++m_skipped;
}

void PriceImportSession::reportLine(qint64 line, const QString& text)
{
    report(u"Строка файла %1: %2"_s.arg(line).arg(text));
}

void PriceImportSession::finish()
{
    if (!m_current)
        return;
    for (const auto& p : m_current->prices)
        m_priceNames.insert(p.first);
    m_store.put(*m_current, m_currentKey);
    m_current.reset();
}

QString PriceImportSession::storedArticle(qint32 entry, qint64 product) const
{
    Data::Query q(m_db, u"select sam_artc from scm_artcmap where sam_prv_id = ? and sam_pr_id = ?"_s);
    q.bindAll({m_supplierId, product}).exec();
    if (q.next())
        return q.string(0);
    return QString::fromUtf8(m_store.index().keyOf(entry));
}

std::optional<qint64> PriceImportSession::productFor(const QByteArray& key, qint32 self, const QString& article,
                                                     const QString& name)
{
    PriceArticleIndex& index = m_store.index();
    if (self >= 0) {
        const PriceArticleIndex::Entry& e = index.at(self);
        if (e.flags & PriceArticleIndex::InRun)
            return e.run;
        if (e.flags & PriceArticleIndex::Stored)
            return e.stored;
        // An article already waiting in "Разбор прайс-листов" waits on with the new values.
        if (e.flags & PriceArticleIndex::Waiting)
            return 0;
    }
    if (m_deferAll)
        return 0;
    for (;;) {
        const PriceImportPrompts::Choice c = m_prompts.choose(article, name);
        switch (c.kind) {
        case PriceImportPrompts::Choice::Product: {
            const auto product = qint32(c.productId);
            const qint32 h = c.productId > 0 && c.productId <= std::numeric_limits<qint32>::max()
                                 ? index.holder(product)
                                 : -1;
            if (h >= 0 && h != self) {
                const PriceArticleIndex::Entry& held = index.at(h);
                QString other;
                if ((held.flags & PriceArticleIndex::InRun) && held.run == product)
                    other = m_store.row(h).article;
                else if (held.flags & PriceArticleIndex::Stored)
                    other = storedArticle(h, product);
                if (!other.isEmpty()) {
                    if (!m_prompts.replaceArticle(other))
                        continue;
                    m_store.drop(h);
                    index.at(h).flags &= ~PriceArticleIndex::Stored;
                    index.dropHolder(product);
                }
            }
            return c.productId;
        }
        case PriceImportPrompts::Choice::DeferAll:
            m_deferAll = true;
            return 0;
        case PriceImportPrompts::Choice::Abort:
            m_stop = true;
            return std::nullopt;
        case PriceImportPrompts::Choice::Skip:
            index.at(index.insert(key)).flags |= PriceArticleIndex::Left;
            return std::nullopt;
        }
    }
}

void PriceImportSession::assignProduct(const QString& article, const QString& name, const QString& currency,
                                       Money price, bool nameGiven)
{
    finish();
    m_started = true;
    ++m_rows;
    PriceImportRow row;
    row.article = article.trimmed();
    row.price = price;
    row.line = m_rows;
    if (nameGiven)
        row.name = name.left(TextSize);
    m_current = row;
    if (row.article.isEmpty())
        return reject(u"пустой артикул"_s);
    if (row.article.size() > ArticleSize)
        return reject(u"артикул длиннее %1 символов"_s.arg(ArticleSize));
    const QString code = currency.trimmed();
    if (!code.isEmpty()) {
        const auto it = m_currencies.constFind(PriceRowStore::key(code));
        if (it == m_currencies.cend())
            return reject(u"валюта «%1» не найдена в справочнике валют"_s.arg(code.left(CurrencySize * 2)));
        m_current->currency = *it;
    }
    m_currentKey = PriceRowStore::key(row.article);
    const qint32 e = m_store.index().find(m_currentKey);
    if (e >= 0 && (m_store.index().at(e).flags & PriceArticleIndex::Left)) {
        m_current.reset();
        ++m_skipped;
        return;
    }
    const std::optional<qint64> product = productFor(m_currentKey, e, row.article, name);
    if (!product) {
        m_current.reset();
        ++m_skipped;
        return;
    }
    m_current->productId = *product;
}

void PriceImportSession::setString(int code, const QString& text)
{
    if (!m_current)
        return;
    if (code == tarvo::FieldName)
        m_current->name = text.left(TextSize);
    else if (code >= tarvo::FieldExtra1 && code <= tarvo::FieldExtra8)
        m_current->extras[size_t(code - tarvo::FieldExtra1)] = text.left(TextSize);
}

void PriceImportSession::setInteger(int code, qint64 value)
{
    if (!m_current || (code != tarvo::FieldDeliveryDelay && code != tarvo::FieldChainDelay))
        return;
    if (value < -32768 || value > 32767)
        return reject(u"срок %1 вне допустимого диапазона (от -32768 до 32767)"_s.arg(value));
    (code == tarvo::FieldDeliveryDelay ? m_current->deliveryDelay : m_current->chainDelay) = qint16(value);
}

void PriceImportSession::setMoney(int code, Money value)
{
    if (!m_current || (code != tarvo::FieldMinLot && code != tarvo::FieldPiecesPerPack))
        return;
    (code == tarvo::FieldMinLot ? m_current->minLot : m_current->piecesPerPack) = value;
}

void PriceImportSession::setFloat(int code, double value)
{
    if (!m_current || (code != tarvo::FieldMinLot && code != tarvo::FieldPiecesPerPack))
        return;
    // The largest amount the money columns hold on both engines.
    if (!std::isfinite(value) || std::fabs(value) >= 922337203685477.0)
        return reject(u"число %1 вне допустимого диапазона"_s.arg(value));
    setMoney(code, Money::fromDouble(value));
}

void PriceImportSession::addPrice(const QString& priceName, Money value)
{
    if (!m_started)
        throw Exception(u"Перед вызовом метода addPrice, необходимо \n\rвызвать метод assignProduct."_s);
    if (!m_current)
        return;
    const QString n = priceName.trimmed();
    if (n.isEmpty())
        return reject(u"пустое имя цены"_s);
    if (n.size() > PriceNameSize)
        return reject(u"имя цены «%1» длиннее %2 символов"_s.arg(n, QString::number(PriceNameSize)));
    m_current->setPrice(n, value);
}

} // namespace Tarvo::Catalog
