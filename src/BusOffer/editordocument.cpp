#include "BusOffer/editordocument.h"

#include "BusOffer/offereditorlineaccessor.h"
#include "catalog/catalogtransaction.h"
#include "catalog/currency/currencyrates.h"
#include "catalog/currency/trubtovalactor.h"
#include "catalog/currency/tvaltorubactor.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/dialect.h"
#include "data/engine/query.h"
#include "data/modules/rowcountcheck.h"
#include "data/modules/servererror.h"
#include "messaging/tmessageserver.h"
#include "security/currentuser.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

using Data::FieldType;
using Data::RowSetState;

namespace {

QVariant nullInteger()
{
    return QVariant(QMetaType::fromType<qint64>());
}

QVariant nullDate()
{
    return QVariant(QMetaType::fromType<QDateTime>());
}

QVariant orNull(const QVariant& v, const QVariant& null)
{
    return v.isNull() ? null : v;
}

// An empty text is stored as such: a null QString would be bound as NULL.
QString text(const QString& s)
{
    return s.isNull() ? u""_s : s;
}

QVariant today()
{
    return QDateTime(QDate::currentDate(), QTime(0, 0));
}

QVariant moneyOrNull(const std::optional<Money>& m)
{
    return m ? m->toVariant() : QVariant(QMetaType::fromType<Money>());
}

std::optional<Money> optionalMoney(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    return Money::fromVariant(v);
}

Data::ServerErrorKind kindOf(const Data::DatabaseError& e)
{
    return Data::ServerError::classify(e.errors()).kind;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

bool badDate(const QVariant& v)
{
    return !v.toDateTime().isValid() || v.toDateTime().date().year() < 1900;
}

} // namespace

EditorDocument::EditorDocument(Data::Database& db, EditorDocumentLayout layout)
    : m_db(db), m_layout(std::move(layout))
{
    m_header.onWrite = [this](OfferEditorRowSet& h) { writeHeader(h); };
    m_lines.onWrite = [this](OfferEditorRowSet& l) { writeLine(l); };
    m_lines.onErase = [this](OfferEditorRowSet& l) { eraseLine(l); };
}

EditorDocument::~EditorDocument() = default;

void EditorDocument::ready()
{
    for (const QString& f : {m_layout.key(), m_layout.header(u"sum"_s), m_layout.header(u"sum_valut"_s)})
        m_header.field(m_header.fieldIndex(f)).readOnly = true;
    // The sums follow from the prices and the amount.
    for (const QString& f : {m_layout.line(u"pr_id"_s), u"pr_articul"_s, u"pr_name"_s,
                             m_layout.line(u"sum"_s), m_layout.line(u"sum_valut"_s)})
        m_lines.field(m_lines.fieldIndex(f)).readOnly = true;
}

qint64 EditorDocument::documentId() const
{
    if (!m_open || (m_header.recNo() < 0 && m_header.state() != RowSetState::Insert))
        return 0;
    return m_header.value(m_layout.key()).toLongLong();
}

QString EditorDocument::title() const
{
    return isSaved() ? m_layout.savedTitle.arg(documentId()) : m_layout.newTitle;
}

EditorDocument::Closing EditorDocument::open(qint64 id)
{
    Closing closing = Closing::Nothing;
    if (m_open && id != 0 && id == documentId()) {
        postHeader();
        postLines();
    } else if (m_open) {
        closing = close();
    }
    load(id);
    return closing;
}

void EditorDocument::load(qint64 id)
{
    m_open = false;
    m_header.reset();
    m_lines.reset();
    if (id == 0) {
        startNew();
        opened();
        return;
    }
    Data::Query h(m_db, headerStatement());
    h.bindAll({id});
    m_header.load(h);
    if (m_header.isEmpty())
        throw Exception(m_layout.notFound.arg(id));
    m_open = true;
    m_header.edit();
    reloadLines();
    m_direction = currencyCode().isEmpty() ? Direction::RoublesToCurrency : Direction::CurrencyToRoubles;
    opened();
}

void EditorDocument::startNew()
{
    m_createdHere = false;
    m_open = true;
    m_header.insert();
    m_header.setValue(m_layout.header(u"date"_s), today());
    m_header.forceField(m_layout.header(u"sum"_s), Money().toVariant());
    m_header.forceField(m_layout.header(u"sum_valut"_s), Money().toVariant());
    m_header.setValue(m_layout.header(u"description"_s), QString());
    m_header.setValue(m_layout.header(u"cod_valut"_s), QString());
    m_header.setValue(m_layout.header(u"dopnomer"_s),
                      nextAdditionalNumber(m_db, m_layout.headerTable, m_layout.header(u"dopnomer"_s)));
    m_direction = Direction::RoublesToCurrency;
    presetNew();
}

void EditorDocument::reloadLines()
{
    const QString product = m_layout.line(u"pr_id"_s);
    const QVariant current = m_lines.recNo() >= 0 ? m_lines.value(product) : QVariant();
    Data::Query q(m_db, linesStatement());
    q.bindAll({documentId()});
    m_lines.load(q);
    if (current.isValid())
        m_lines.locate({product}, {current});
}

QList<EditorDocument::StoredLine> EditorDocument::storedLines() const
{
    Data::Query q(m_db, linesStatement());
    q.bindAll({documentId()});
    q.exec();
    auto at = [this](const QString& name) { return m_lines.fieldIndex(m_layout.line(name)); };
    const int product = at(u"pr_id"_s), amount = at(u"amount"_s), price = at(u"price"_s), sum = at(u"sum"_s),
              sumValut = at(u"sum_valut"_s), valPrice = at(u"val_price"_s);
    QList<StoredLine> lines;
    while (q.next()) {
        StoredLine l;
        l.product = q.value(product);
        l.values.amount = Money::fromVariant(q.value(amount));
        l.values.price = optionalMoney(q.value(price));
        l.values.sum = Money::fromVariant(q.value(sum));
        l.values.sumValut = Money::fromVariant(q.value(sumValut));
        l.values.valPrice = optionalMoney(q.value(valPrice));
        lines << l;
    }
    return lines;
}

void EditorDocument::setHeaderValue(const QString& field, const QVariant& value)
{
    if (!m_open)
        return;
    if (field.compare(m_layout.header(u"dopnomer"_s), Qt::CaseInsensitive) == 0)
        checkAdditionalNumber(value, m_layout.badAdditionalNumber);
    if (m_header.state() == RowSetState::Browse)
        m_header.edit();
    m_header.setValue(field, value);
}

void EditorDocument::checkAdditionalNumber(const QVariant& value, const QString& message)
{
    if (value.isNull())
        return;
    // The column is a 32-bit integer on PostgreSQL; SQLite would store anything.
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok || n < 0 || n > std::numeric_limits<qint32>::max())
        throw Exception(message);
}

void EditorDocument::postHeader()
{
    if (!m_open || m_header.state() == RowSetState::Browse)
        return;
    if (m_header.state() == RowSetState::Edit && !m_header.modified())
        return;
    m_header.post();
    m_header.edit();
    announce();
}

void EditorDocument::postLines()
{
    if (m_lines.state() == RowSetState::Browse)
        return;
    if (m_lines.modified())
        m_lines.post();
    else
        m_lines.cancel();
}

void EditorDocument::writeHeader(OfferEditorRowSet& h)
{
    Catalog::CatalogTransaction tx(m_db);
    const HeaderWritten written = writeHeaderRow(h);
    tx.commit();
    takeOver(h, written);
}

QVariantMap EditorDocument::checkHeader(const OfferEditorRowSet&)
{
    return {};
}

QVariant EditorDocument::stored(const OfferEditorRowSet& rows, const QString& column, const QVariant& v) const
{
    const int i = rows.fieldIndex(column);
    if (i < 0)
        return v;
    switch (rows.field(i).type) {
    case FieldType::String:
        return text(v.toString());
    case FieldType::Integer:
        return orNull(v, nullInteger());
    case FieldType::DateTime:
        return orNull(v, nullDate());
    case FieldType::Boolean:
        return v.isNull() ? false : v.toBool();
    case FieldType::Float:
        return v.isNull() ? 0.0 : v.toDouble();
    case FieldType::Money:
        return Money::fromVariant(v).toVariant();
    default:
        return v;
    }
}

EditorDocument::HeaderWritten EditorDocument::writeHeaderRow(OfferEditorRowSet& h)
{
    const EditorDocumentLayout& L = m_layout;
    const QVariant date = h.value(L.header(u"date"_s));
    if (date.isNull() || badDate(date))
        throw Exception(L.badDate);
    const QVariant start = h.value(L.header(u"plan_start"_s));
    const QVariant end = h.value(L.header(u"plan_end"_s));
    if (!start.isNull() && !end.isNull() && start.toDateTime() > end.toDateTime())
        throw Exception(u"Неверный интервал плана: дата «по» раньше даты «с»"_s);
    HeaderWritten written;
    written.replaced = checkHeader(h);
    checkAdditionalNumber(h.value(L.header(u"dopnomer"_s)), L.badAdditionalNumber);

    auto bound = [&](const QString& column) -> QVariant {
        const QString field = L.fieldOf(column);
        const auto r = written.replaced.constFind(field);
        return r != written.replaced.constEnd() ? *r : stored(h, field, h.value(field));
    };

    const qint64 id = h.integer(L.key());
    const QString now = m_db.dialect().currentTime();
    if (h.state() == RowSetState::Insert || id == 0) {
        QVariantList params;
        for (const QString& c : L.headerColumns)
            params << bound(c);
        const int user = Security::CurrentUserId();
        params << (user > 0 ? QVariant(qint64(user)) : nullInteger());
        const QString marks = QStringList(L.headerColumns.size() + 1, u"?"_s).join(u", "_s);
        written.insertedId =
            m_db.insertReturning(u"insert into %1 (%2, %3, %4, %5) values (%6, %7, %7)"_s.arg(
                                     L.headerTable, L.headerColumns.join(u", "_s), L.header(u"user_id"_s),
                                     L.header(u"createdate"_s), L.header(u"updatedate"_s), marks, now),
                                 L.key(), params);
        return written;
    }

    // Only what this editor changed: another workstation's save of the other fields stays.
    QStringList sets;
    QVariantList params;
    for (const QString& c : L.headerColumns) {
        const QString f = L.fieldOf(c);
        if (sameValue(stored(h, f, h.value(f)), stored(h, f, h.originalValue(f))))
            continue;
        sets << c + u" = ?"_s;
        params << bound(c);
    }
    if (sets.isEmpty())
        return written;
    params << id;
    Data::RowCountCheck::exec(m_db,
                              u"update %1 set %2, %3 = %4 where %5 = ?"_s.arg(
                                  L.headerTable, sets.join(u", "_s), L.header(u"updatedate"_s), now, L.key()),
                              params, L.documentDeleted);
    return written;
}

void EditorDocument::takeOver(OfferEditorRowSet& h, const HeaderWritten& written)
{
    if (!written.replaced.isEmpty()) {
        for (auto i = written.replaced.constBegin(); i != written.replaced.constEnd(); ++i)
            h.setValue(i.key(), i.value());
        replacedTaken();
    }
    if (written.insertedId) {
        h.forceField(m_layout.key(), written.insertedId);
        m_createdHere = true;
    }
}

void EditorDocument::writeLine(OfferEditorRowSet& l)
{
    const EditorDocumentLayout& L = m_layout;
    const qint64 owner = documentId();
    if (owner == 0)
        throw Exception(L.saveFirst);
    const QVariant date = orNull(l.value(L.line(u"deliverydate"_s)), nullDate());
    if (!date.isNull() && badDate(date))
        throw Exception(L.badDate);
    const Money amount = l.money(L.line(u"amount"_s));
    if (amount < Money())
        throw Exception(u"Количество не может быть отрицательным"_s);
    checkLine(l);
    const QVariant product = l.value(L.line(u"pr_id"_s));

    QStringList columns{L.line(u"amount"_s), L.line(u"deliverydate"_s), L.line(u"sum"_s),
                        L.line(u"sum_valut"_s)};
    QVariantList values{amount.toVariant(), date, l.money(L.line(u"sum"_s)).toVariant(),
                        l.money(L.line(u"sum_valut"_s)).toVariant()};
    for (const QString& c : L.lineColumns) {
        columns << c;
        values << stored(l, c, l.value(c));
    }
    try {
        Catalog::CatalogTransaction tx(m_db);
        if (l.state() == RowSetState::Insert) {
            const QString marks = QStringList(columns.size() + 2, u"?"_s).join(u", "_s);
            m_db.exec(u"insert into %1 (%2, %3, %4) values (%5)"_s.arg(
                          L.linesTable, L.lineOwner, L.line(u"pr_id"_s), columns.join(u", "_s), marks),
                      QVariantList{owner, product} + values);
        } else {
            Data::RowCountCheck::exec(
                m_db,
                u"update %1 set %2 = ? where %3 = ? and %4 = ?"_s.arg(L.linesTable, columns.join(u" = ?, "_s),
                                                                      L.lineOwner, L.line(u"pr_id"_s)),
                values + QVariantList{owner, product}, [this] { return lineGone(); });
        }
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (kindOf(e) == Data::ServerErrorKind::PrimaryKey)
            throw Exception(L.duplicateProduct);
        // A line added to a document deleted meanwhile.
        if (kindOf(e) == Data::ServerErrorKind::Reference && !documentExists())
            throw Exception(L.documentDeleted);
        throw;
    }
    refreshTotals();
    announce();
}

void EditorDocument::eraseLine(OfferEditorRowSet& l)
{
    const EditorDocumentLayout& L = m_layout;
    try {
        Catalog::CatalogTransaction tx(m_db);
        Data::RowCountCheck::exec(
            m_db,
            u"delete from %1 where %2 = ? and %3 = ?"_s.arg(L.linesTable, L.lineOwner, L.line(u"pr_id"_s)),
            {documentId(), l.value(L.line(u"pr_id"_s))}, [this] { return lineGone(); });
        tx.commit();
    } catch (const Data::DatabaseError& e) {
        if (kindOf(e) == Data::ServerErrorKind::Reference)
            throw Exception(L.lineInWork);
        throw;
    }
    refreshTotals();
    announce();
}

QString EditorDocument::lineGone() const
{
    return documentExists() ? m_layout.lineDeleted : m_layout.documentDeleted;
}

bool EditorDocument::documentExists() const
{
    return m_db.scalar(u"select count(*) from %1 where %2 = ?"_s.arg(m_layout.headerTable, m_layout.key()),
                       {documentId()})
               .toInt() > 0;
}

void EditorDocument::refreshTotals()
{
    const QString sum = m_layout.header(u"sum"_s), sumValut = m_layout.header(u"sum_valut"_s);
    Data::Query q(m_db, u"select %1, %2 from %3 where %4 = ?"_s.arg(sum, sumValut, m_layout.headerTable,
                                                                    m_layout.key()));
    q.bindAll({documentId()});
    q.exec();
    if (!q.next())
        return;
    m_header.storeReadBack({{sum, q.money(0).toVariant()}, {sumValut, q.money(1).toVariant()}});
}

QString EditorDocument::currencyCode() const
{
    return m_header.string(m_layout.header(u"cod_valut"_s));
}

QDate EditorDocument::documentDate() const
{
    const QDate d = m_header.value(m_layout.header(u"date"_s)).toDateTime().date();
    return d.isValid() ? d : QDate::currentDate();
}

QString EditorDocument::storedCode() const
{
    return m_db
        .scalar(u"select %1 from %2 where %3 = ?"_s.arg(m_layout.header(u"cod_valut"_s), m_layout.headerTable,
                                                        m_layout.key()),
                {documentId()})
        .toString();
}

OfferEditorLineValues EditorDocument::lineValues() const
{
    OfferEditorLineValues v;
    v.amount = m_lines.money(m_layout.line(u"amount"_s));
    v.price = optionalMoney(m_lines.value(m_layout.line(u"price"_s)));
    v.sum = m_lines.money(m_layout.line(u"sum"_s));
    v.valPrice = optionalMoney(m_lines.value(m_layout.line(u"val_price"_s)));
    v.sumValut = m_lines.money(m_layout.line(u"sum_valut"_s));
    return v;
}

void EditorDocument::storeLineValues(const OfferEditorLineValues& v)
{
    m_lines.setValue(m_layout.line(u"price"_s), moneyOrNull(v.price));
    m_lines.setValue(m_layout.line(u"val_price"_s), moneyOrNull(v.valPrice));
    m_lines.forceField(m_layout.line(u"sum"_s), v.sum.toVariant());
    m_lines.forceField(m_layout.line(u"sum_valut"_s), v.sumValut.toVariant());
}

void EditorDocument::convert(OfferEditorLineValues& v, Direction direction, const QString& code,
                             const QDate& date) const
{
    OfferEditorLineAccessor accessor(v, code, date);
    if (direction == Direction::RoublesToCurrency)
        Catalog::TRubToValActor(accessor, m_db).changed();
    else
        Catalog::TValToRubActor(accessor, m_db).changed();
}

void EditorDocument::lineEdited(const QString& field)
{
    if (m_lines.state() == RowSetState::Browse)
        return;
    OfferEditorLineValues v = lineValues();
    if (field.compare(m_layout.line(u"price"_s), Qt::CaseInsensitive) == 0)
        convert(v, Direction::RoublesToCurrency, currencyCode(), documentDate());
    else if (field.compare(m_layout.line(u"val_price"_s), Qt::CaseInsensitive) == 0)
        convert(v, Direction::CurrencyToRoubles, currencyCode(), documentDate());
    else if (field.compare(m_layout.line(u"amount"_s), Qt::CaseInsensitive) == 0)
        convert(v, m_direction, currencyCode(), documentDate());
    else
        return;
    storeLineValues(v);
}

void EditorDocument::prepareLine()
{
    postHeader();
    if (!isSaved())
        throw Exception(m_layout.saveFirst);
    postLines();
}

void EditorDocument::addLine(const QVariantMap& fields, const OfferedPrice& offered)
{
    prepareLine();
    OfferEditorLineValues v;
    v.amount = offered.amount;
    const QString code = currencyCode();
    if (m_direction == Direction::RoublesToCurrency) {
        v.price = offered.roubles;
    } else {
        // The product's own currency price when it has one, else its rouble price, in the
        // document's currency.
        Catalog::CurrencyRates rates(m_db);
        const bool own = !offered.code.isEmpty();
        v.valPrice = rates.convert(own ? offered.code : QString(), code, documentDate(),
                                   own ? offered.inCode : offered.roubles);
    }
    convert(v, m_direction, code, documentDate());

    m_lines.insert();
    try {
        for (auto i = fields.constBegin(); i != fields.constEnd(); ++i)
            m_lines.forceField(i.key(), i.value());
        m_lines.setValue(m_layout.line(u"deliverydate"_s), today());
        m_lines.setValue(m_layout.line(u"amount"_s), v.amount.toVariant());
        storeLineValues(v);
        m_lines.post();
    } catch (...) {
        m_lines.cancel();
        throw;
    }
}

Money EditorDocument::productAmount(qint64 productId) const
{
    // A clone keeps the editor's cursor where the user has it.
    const std::unique_ptr<Data::TRowSet> rows = m_lines.clone();
    if (!rows->locate({m_layout.line(u"pr_id"_s)}, {productId}))
        return Money();
    return rows->money(m_layout.line(u"amount"_s));
}

Money EditorDocument::filteredProductAmount(qint64 productId) const
{
    const std::unique_ptr<Data::TRowSet> rows = m_lines.clone();
    rows->setFilter(u"%1=%2"_s.arg(m_layout.line(u"pr_id"_s)).arg(productId));
    rows->first();
    return rows->isEmpty() ? Money() : rows->money(m_layout.line(u"amount"_s));
}

bool EditorDocument::setProductAmount(qint64 productId, Money amount)
{
    postLines();
    const QString product = m_layout.line(u"pr_id"_s);
    if (!m_lines.locate({product}, {productId}))
        return false;
    if (amount == Money()) {
        deleteCurrentLine();
        return true;
    }
    m_lines.edit();
    try {
        m_lines.setValue(m_layout.line(u"amount"_s), amount.toVariant());
        lineEdited(m_layout.line(u"amount"_s));
        m_lines.post();
    } catch (...) {
        m_lines.cancel();
        throw;
    }
    return true;
}

void EditorDocument::deleteCurrentLine()
{
    if (m_lines.state() == RowSetState::Insert) {
        m_lines.cancel();
        return;
    }
    if (m_lines.state() == RowSetState::Edit)
        m_lines.cancel();
    if (m_lines.recNo() < 0)
        return;
    // An existing document is removed as a whole from its list, with its own confirmation and
    // right; here it may not be emptied.
    if (m_lines.recordCount() == 1 && !m_createdHere)
        throw Exception(m_layout.lastLine);
    m_lines.remove();
}

void EditorDocument::setLineDate(const QDate& date)
{
    postHeader();
    if (m_lines.recNo() < 0 && m_lines.state() != RowSetState::Insert)
        return;
    const bool editing = m_lines.state() != RowSetState::Browse;
    if (!editing)
        m_lines.edit();
    m_lines.setValue(m_layout.line(u"deliverydate"_s), QDateTime(date, QTime(0, 0)));
    if (!editing) {
        try {
            m_lines.post();
        } catch (...) {
            m_lines.cancel();
            throw;
        }
    }
}

void EditorDocument::setAllDates()
{
    postLines();
    if (m_lines.recNo() < 0)
        return;
    const QString field = m_layout.line(u"deliverydate"_s);
    const QVariant date = m_lines.value(field);
    const int keep = m_lines.recNo();
    try {
        Catalog::CatalogTransaction tx(m_db);
        for (int i = 0; i < m_lines.recordCount(); ++i) {
            m_lines.moveTo(i);
            if (m_lines.value(field) == date)
                continue;
            m_lines.edit();
            m_lines.setValue(field, date);
            m_lines.post();
        }
        tx.commit();
    } catch (...) {
        if (m_lines.state() != RowSetState::Browse)
            m_lines.cancel();
        // What the rollback undid must not stay on screen.
        reloadLines();
        refreshTotals();
        throw;
    }
    m_lines.moveTo(keep);
}

void EditorDocument::changeCurrency(const QString& code)
{
    const EditorDocumentLayout& L = m_layout;
    const QString codeField = L.header(u"cod_valut"_s);
    if (!m_open || code == currencyCode())
        return;
    if (!isSaved()) {
        setHeaderValue(codeField, code);
        return;
    }
    postLines();
    const QString shown = currencyCode();

    // A quotation the user has to enter is asked before anything is locked (the dialog stores
    // it for the computation below), and a cancel leaves nothing to undo.
    if (!m_lines.isEmpty()) {
        Catalog::CurrencyRates rates(m_db);
        if (m_direction == Direction::CurrencyToRoubles)
            rates.rate(storedCode(), documentDate());
        rates.rate(code, documentDate());
    }

    setHeaderValue(codeField, code);
    HeaderWritten written;
    try {
        Catalog::CatalogTransaction tx(m_db);
        // Taking the header row first holds the other workstations' line writes (their totals
        // update it) until the lines read below are written back.
        Data::RowCountCheck::exec(
            m_db,
            u"update %1 set %2 = %3 where %4 = ?"_s.arg(L.headerTable, L.header(u"updatedate"_s),
                                                        m_db.dialect().currentTime(), L.key()),
            {documentId()}, L.documentDeleted);
        const QString before = storedCode();
        written = writeHeaderRow(m_header);
        const QDate date =
            m_db.scalar(u"select %1 from %2 where %3 = ?"_s.arg(L.header(u"date"_s), L.headerTable, L.key()),
                        {documentId()})
                .toDateTime()
                .date();
        // The sums follow from the lines as stored, not as this editor read them.
        Catalog::CurrencyRates rates(m_db);
        const QString update = u"update %1 set %2 = ?, %3 = ? where %4 = ? and %5 = ?"_s.arg(
            L.linesTable, L.line(u"sum"_s), L.line(u"sum_valut"_s), L.lineOwner, L.line(u"pr_id"_s));
        // Every line is computed before any is written: a failing conversion writes nothing.
        QList<StoredLine> lines = storedLines();
        for (StoredLine& l : lines) {
            if (m_direction == Direction::CurrencyToRoubles)
                l.values.valPrice = rates.convert(before, code, date, l.values.valPrice.value_or(Money()));
            convert(l.values, m_direction, code, date);
        }
        for (const StoredLine& l : lines)
            Data::RowCountCheck::exec(
                m_db, update,
                {l.values.sum.toVariant(), l.values.sumValut.toVariant(), documentId(), l.product},
                L.lineDeleted);
        tx.commit();
    } catch (...) {
        m_header.setValue(codeField, shown);
        throw;
    }
    takeOver(m_header, written);
    m_header.postWritten();
    m_header.edit();
    refreshTotals();
    reloadLines();
    announce();
}

int EditorDocument::lineCountInDatabase() const
{
    return m_db
        .scalar(u"select count(*) from %1 where %2 = ?"_s.arg(m_layout.linesTable, m_layout.lineOwner),
                {documentId()})
        .toInt();
}

EditorDocument::Closing EditorDocument::close()
{
    if (!m_open)
        return Closing::Nothing;
    if (!isSaved()) {
        // A new document never saved: nothing of it is in the database.
        discard();
        return Closing::Nothing;
    }
    postHeader();
    postLines();
    Closing result = Closing::Saved;
    if (m_createdHere && lineCountInDatabase() == 0) {
        Data::RowCountCheck::exec(m_db,
                                  u"delete from %1 where %2 = ?"_s.arg(m_layout.headerTable, m_layout.key()),
                                  {documentId()}, m_layout.documentDeleted);
        announce();
        result = Closing::DeletedEmpty;
    } else if (!documentExists()) {
        // Nothing was pending, yet "saved" would not be true of a document that is gone.
        throw Exception(m_layout.documentDeleted);
    }
    discard();
    return result;
}

void EditorDocument::discard()
{
    m_header.reset();
    m_lines.reset();
    m_open = false;
    m_createdHere = false;
}

qint64 EditorDocument::nextAdditionalNumber(Data::Database& db, const QString& table, const QString& column)
{
    const QVariant max = db.scalar(u"select max(%1) from %2"_s.arg(column, table));
    return max.isNull() ? 1 : max.toLongLong() + 1;
}

void EditorDocument::announce() const
{
    for (const QUuid& notice : m_layout.notices)
        Messaging::TMessageServer::instance().sendChangeNotice(notice);
}

} // namespace Tarvo::BusOffer
