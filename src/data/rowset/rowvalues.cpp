#include "data/rowset/rowvalues.h"

#include "core/exception.h"

#include <QDateTime>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace Tarvo::Data {

namespace {

constexpr qsizetype align8(qsizetype n)
{
    return (n + 7) & ~qsizetype(7);
}

constexpr qint64 MsecsPerDay = 86400000;
constexpr qint64 JulianDayOfEpoch = 2440588; // 1970-01-01

quint64 textCell(qsizetype offset, qsizetype size)
{
    return (quint64(offset) << 32) | quint64(quint32(size));
}

bool isAscii(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

struct RowValues::Block
{
    quint16 count;
    quint8 onHeap;
    quint8 boxed; // some cell holds a heap QVariant
    quint32 tailSize;

    Tag* tags() { return reinterpret_cast<Tag*>(this + 1); }
    const Tag* tags() const { return reinterpret_cast<const Tag*>(this + 1); }
    quint64* cells() { return reinterpret_cast<quint64*>(reinterpret_cast<char*>(this + 1) + align8(count)); }
    const quint64* cells() const
    {
        return reinterpret_cast<const quint64*>(reinterpret_cast<const char*>(this + 1) + align8(count));
    }
    const char* tail() const { return reinterpret_cast<const char*>(cells() + count); }
    char* tail() { return reinterpret_cast<char*>(cells() + count); }
    static qsizetype bytes(qsizetype count, qsizetype tail)
    {
        return qsizetype(sizeof(Block)) + align8(count) + 8 * count + tail;
    }
    qsizetype bytes() const { return bytes(count, tailSize); }

    static void destroy(Block* b)
    {
        if (!b)
            return;
        if (b->boxed)
            for (int i = 0; i < b->count; ++i)
                if (b->tags()[i] == Tag::Boxed)
                    delete reinterpret_cast<QVariant*>(b->cells()[i]);
        if (b->onHeap)
            std::free(b);
    }

    static Block* copy(const Block* from)
    {
        if (!from)
            return nullptr;
        auto* b = static_cast<Block*>(std::malloc(from->bytes()));
        if (!b)
            throw std::bad_alloc();
        std::memcpy(static_cast<void*>(b), from, from->bytes());
        b->onHeap = 1;
        if (b->boxed)
            for (int i = 0; i < b->count; ++i)
                if (b->tags()[i] == Tag::Boxed)
                    b->cells()[i] = quint64(reinterpret_cast<quintptr>(
                        new QVariant(*reinterpret_cast<const QVariant*>(from->cells()[i]))));
        return b;
    }
};

static_assert(sizeof(RowValues) == sizeof(void*));

RowValues::RowValues(const QVariantList& values)
{
    Builder b;
    b.start(int(values.size()));
    for (int i = 0; i < values.size(); ++i)
        b.setVariant(i, values[i]);
    *this = b.finish();
}

RowValues::RowValues(const RowValues& other) : m_block(Block::copy(other.m_block)) {}

RowValues& RowValues::operator=(const RowValues& other)
{
    if (this != &other) {
        Block* b = Block::copy(other.m_block);
        Block::destroy(m_block);
        m_block = b;
    }
    return *this;
}

RowValues& RowValues::operator=(RowValues&& other) noexcept
{
    if (this != &other) {
        Block::destroy(m_block);
        m_block = other.m_block;
        other.m_block = nullptr;
    }
    return *this;
}

RowValues::~RowValues()
{
    Block::destroy(m_block);
}

void RowValues::clear()
{
    Block::destroy(m_block);
    m_block = nullptr;
}

int RowValues::size() const
{
    return m_block ? m_block->count : 0;
}

qsizetype RowValues::blockSize() const
{
    return m_block ? m_block->bytes() : 0;
}

RowValues::Tag RowValues::tag(int i) const
{
    Q_ASSERT(m_block && i >= 0 && i < m_block->count);
    return m_block->tags()[i];
}

qint64 RowValues::wallClockMsecs(const QDate& date, const QTime& time)
{
    return (date.toJulianDay() - JulianDayOfEpoch) * MsecsPerDay + time.msecsSinceStartOfDay();
}

QDateTime RowValues::fromWallClockMsecs(qint64 msecs)
{
    qint64 days = msecs / MsecsPerDay;
    qint64 rest = msecs % MsecsPerDay;
    if (rest < 0) {
        rest += MsecsPerDay;
        --days;
    }
    return QDateTime(QDate::fromJulianDay(days + JulianDayOfEpoch),
                     QTime::fromMSecsSinceStartOfDay(int(rest)));
}

QVariant RowValues::at(int i) const
{
    if (!m_block || i < 0 || i >= m_block->count)
        return {};
    const quint64 c = m_block->cells()[i];
    switch (m_block->tags()[i]) {
    case Tag::Null:
        return c ? QVariant(QMetaType(int(c))) : QVariant();
    case Tag::Int32:
        return QVariant(int(qint64(c)));
    case Tag::Int64:
        return QVariant(qlonglong(c));
    case Tag::Money:
        return Money::fromRaw(qint64(c)).toVariant();
    case Tag::Double:
        return QVariant(std::bit_cast<double>(c));
    case Tag::Bool:
        return QVariant(c != 0);
    case Tag::LocalDateTime:
        return QVariant(fromWallClockMsecs(qint64(c)));
    case Tag::Text:
        return QVariant(QString::fromUtf8(m_block->tail() + (c >> 32), qsizetype(quint32(c))));
    case Tag::Bytes:
        return QVariant(QByteArray(m_block->tail() + (c >> 32), qsizetype(quint32(c))));
    case Tag::Boxed:
        return *reinterpret_cast<const QVariant*>(c);
    }
    return {};
}

QVariantList RowValues::toList() const
{
    QVariantList l;
    l.reserve(size());
    for (int i = 0; i < size(); ++i)
        l.append(at(i));
    return l;
}

int RowValues::compare(const RowValues& a, int i, const RowValues& b, int j,
                       int (*fallback)(const QVariant&, const QVariant&))
{
    if (i < 0 || i >= a.size() || j < 0 || j >= b.size())
        throw Exception(QStringLiteral("Сравнение значений вне строки: поле %1 или %2").arg(i).arg(j));
    const Tag ta = a.tag(i), tb = b.tag(j);
    if (ta == Tag::Null || tb == Tag::Null)
        return int(tb == Tag::Null) - int(ta == Tag::Null);
    const quint64 ca = a.m_block->cells()[i], cb = b.m_block->cells()[j];
    auto order = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
    if (ta == tb) {
        switch (ta) {
        case Tag::Int32:
        case Tag::Int64:
        case Tag::Money:
        case Tag::LocalDateTime:
            return order(qint64(ca), qint64(cb));
        case Tag::Bool:
            return int(ca != 0) - int(cb != 0);
        case Tag::Double:
            return compareDoubles(std::bit_cast<double>(ca), std::bit_cast<double>(cb));
        case Tag::Text: {
            const char* pa = a.m_block->tail() + (ca >> 32);
            const char* pb = b.m_block->tail() + (cb >> 32);
            const qsizetype na = quint32(ca), nb = quint32(cb);
            // ASCII orders the same in UTF-8 bytes and in UTF-16 units.
            if (isAscii(pa, na) && isAscii(pb, nb)) {
                const int c = std::memcmp(pa, pb, size_t(std::min(na, nb)));
                return c != 0 ? (c < 0 ? -1 : 1) : order(na, nb);
            }
            const int c =
                QString::compare(QString::fromUtf8(pa, na), QString::fromUtf8(pb, nb), Qt::CaseSensitive);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        default:
            break;
        }
    }
    return fallback(a.at(i), b.at(j));
}

bool RowValues::isNumber(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return v.metaType() == QMetaType::fromType<Money>();
    }
}

int RowValues::compareDoubles(double a, double b)
{
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb)
        return int(na) - int(nb);
    return a < b ? -1 : (a > b ? 1 : 0);
}

int RowValues::compareNumbers(const QVariant& a, const QVariant& b)
{
    const int ta = a.metaType().id(), tb = b.metaType().id();
    auto isFloat = [](int t) { return t == QMetaType::Double || t == QMetaType::Float; };
    const bool aMoney = a.metaType() == QMetaType::fromType<Money>();
    const bool bMoney = b.metaType() == QMetaType::fromType<Money>();
    if (isFloat(ta) || isFloat(tb))
        return compareDoubles(aMoney ? a.value<Money>().toDouble() : a.toDouble(),
                              bMoney ? b.value<Money>().toDouble() : b.toDouble());
    // Integers and Money on the Money scale, wide enough for any 64-bit integer.
    auto scaled = [](const QVariant& v, bool money) -> __int128 {
        if (money)
            return v.value<Money>().raw();
        if (v.metaType().id() == QMetaType::ULongLong)
            return __int128(v.toULongLong()) * Money::Scale;
        return __int128(v.toLongLong()) * Money::Scale;
    };
    const __int128 x = scaled(a, aMoney), y = scaled(b, bMoney);
    return x < y ? -1 : (x > y ? 1 : 0);
}

RowValues::Builder::~Builder()
{
    dropBoxed();
}

void RowValues::Builder::dropBoxed()
{
    for (size_t i = 0; i < m_tags.size(); ++i)
        if (m_tags[i] == Tag::Boxed) {
            delete reinterpret_cast<QVariant*>(m_cells[i]);
            m_tags[i] = Tag::Null;
        }
}

void RowValues::Builder::start(int count)
{
    if (count > 0xFFFF)
        throw Exception(QStringLiteral("Слишком много полей в строке: %1").arg(count));
    dropBoxed();
    m_tags.assign(size_t(count), Tag::Null);
    m_cells.assign(size_t(count), 0);
    m_tail.resize(0);
}

void RowValues::Builder::set(int i, Tag tag, quint64 cell)
{
    if (m_tags[i] == Tag::Boxed)
        delete reinterpret_cast<QVariant*>(m_cells[i]);
    m_tags[i] = tag;
    m_cells[i] = cell;
}

void RowValues::Builder::setNull(int i, int metaTypeId)
{
    set(i, Tag::Null, quint64(quint32(metaTypeId)));
}

void RowValues::Builder::setDouble(int i, double v)
{
    set(i, Tag::Double, std::bit_cast<quint64>(v));
}

void RowValues::Builder::setTail(int i, Tag tag, const char* data, qsizetype size)
{
    if (size > 0x7FFFFFFF || m_tail.size() + size > 0xFFFFFFFFll)
        throw Exception(QStringLiteral("Значение поля слишком велико для набора данных"));
    set(i, tag, textCell(m_tail.size(), size));
    m_tail.append(data, size);
}

void RowValues::Builder::setText(int i, const char* utf8, qsizetype size)
{
    setTail(i, Tag::Text, utf8, size);
}

void RowValues::Builder::setBytes(int i, const char* data, qsizetype size)
{
    setTail(i, Tag::Bytes, data, size);
}

void RowValues::Builder::setVariant(int i, const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        setNull(i, v.metaType().id());
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Int:
        setInt32(i, v.toInt());
        return;
    case QMetaType::LongLong:
        setInt64(i, v.toLongLong());
        return;
    case QMetaType::Double:
        setDouble(i, v.toDouble());
        return;
    case QMetaType::Bool:
        setBool(i, v.toBool());
        return;
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        if (d.isValid() && d.timeSpec() == Qt::LocalTime) {
            setWallClock(i, wallClockMsecs(d.date(), d.time()));
            return;
        }
        break;
    }
    case QMetaType::QString: {
        const QString s = v.toString();
        // Null strings and lone surrogates would not come back the same through UTF-8.
        bool plain = !s.isNull();
        for (const QChar c : s)
            if (c.isSurrogate()) {
                plain = false;
                break;
            }
        if (plain) {
            const QByteArray u = s.toUtf8();
            setText(i, u.constData(), u.size());
            return;
        }
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        if (!b.isNull()) {
            setBytes(i, b.constData(), b.size());
            return;
        }
        break;
    }
    default:
        if (v.metaType() == QMetaType::fromType<Money>()) {
            setMoney(i, v.value<Money>());
            return;
        }
    }
    set(i, Tag::Boxed, quint64(reinterpret_cast<quintptr>(new QVariant(v))));
}

void RowValues::Builder::copyValue(int i, const RowValues& from, int j)
{
    if (!from.m_block || j < 0 || j >= from.m_block->count)
        throw Exception(QStringLiteral("Нет значения %1 в строке из %2").arg(j).arg(from.size()));
    const Tag tag = from.m_block->tags()[j];
    const quint64 c = from.m_block->cells()[j];
    switch (tag) {
    case Tag::Text:
    case Tag::Bytes:
        setTail(i, tag, from.m_block->tail() + (c >> 32), qsizetype(quint32(c)));
        return;
    case Tag::Boxed:
        setVariant(i, *reinterpret_cast<const QVariant*>(c));
        return;
    default:
        set(i, tag, c);
    }
}

RowValues RowValues::Builder::finish(RowArena* arena)
{
    const qsizetype count = qsizetype(m_tags.size());
    const qsizetype bytes = Block::bytes(count, m_tail.size());
    void* memory = arena ? arena->allocate(bytes) : nullptr;
    const bool onHeap = !memory;
    if (onHeap) {
        memory = std::malloc(size_t(bytes));
        if (!memory)
            throw std::bad_alloc();
    }
    auto* b = static_cast<Block*>(memory);
    b->count = quint16(count);
    b->onHeap = onHeap ? 1 : 0;
    b->boxed = 0;
    b->tailSize = quint32(m_tail.size());
    std::memcpy(b->tags(), m_tags.data(), size_t(count));
    std::memcpy(b->cells(), m_cells.data(), size_t(count) * 8);
    if (!m_tail.isEmpty())
        std::memcpy(b->tail(), m_tail.constData(), size_t(m_tail.size()));
    for (qsizetype i = 0; i < count; ++i)
        if (m_tags[i] == Tag::Boxed) {
            b->boxed = 1;
            m_tags[i] = Tag::Null; // the block owns it now
        }
    std::fill(m_tags.begin(), m_tags.end(), Tag::Null);
    std::fill(m_cells.begin(), m_cells.end(), 0);
    m_tail.resize(0);
    return RowValues(b);
}

void* RowArena::allocate(qsizetype size)
{
    // Chunks grow to one huge page: a million rows then cost a few dozen page faults, not tens of
    // thousands, while a set of a few rows does not clear two megabytes.
    constexpr qsizetype Chunk = 2 << 20;
    constexpr qsizetype FirstChunk = 16 << 10;
    size = align8(size);
    if (size > Chunk / 64)
        return nullptr;
    if (size > m_left) {
        const qsizetype bytes = m_chunks.empty() ? FirstChunk : qMin(Chunk, m_lastChunk * 2);
        void* chunk = bytes == Chunk ? std::aligned_alloc(size_t(Chunk), size_t(Chunk)) : std::malloc(size_t(bytes));
        if (!chunk)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        if (bytes == Chunk)
            madvise(chunk, size_t(Chunk), MADV_HUGEPAGE);
#endif
        m_chunks.push_back(chunk);
        m_next = static_cast<char*>(chunk);
        m_left = bytes;
        m_lastChunk = bytes;
        m_allocated += bytes;
    }
    void* p = m_next;
    m_next += size;
    m_left -= size;
    return p;
}

void RowArena::clear()
{
    for (void* chunk : m_chunks)
        std::free(chunk);
    m_chunks.clear();
    m_next = nullptr;
    m_left = 0;
    m_lastChunk = 0;
    m_allocated = 0;
}

} // namespace Tarvo::Data
