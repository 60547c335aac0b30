#pragma once

#include "data/engine/money.h"

#include <QByteArray>
#include <QVariant>
#include <memory>
#include <vector>

namespace Tarvo::Data {

class RowArena;

// The values of one row of a row set in one compact block: a tag byte and an eight-byte cell per
// value, text (UTF-8) and bytes after the cells. A million loaded rows then cost little more than
// their values; QVariants are made only when a value is read. Values that fit no cell (unusual
// types) are kept boxed, so whatever is stored reads back the same.
class RowValues
{
public:
    enum class Tag : quint8
    {
        Null, // the cell holds the null's type id
        Int32,
        Int64,
        Money, // raw four-decimal value
        Double,
        Bool,
        LocalDateTime, // wall-clock milliseconds counted from 1970-01-01 00:00, no zone
        Text,          // UTF-8 in the tail
        Bytes,         // in the tail
        Boxed          // a QVariant on the heap
    };

    RowValues() = default;
    explicit RowValues(const QVariantList& values);
    RowValues(const RowValues& other);
    RowValues& operator=(const RowValues& other);
    RowValues(RowValues&& other) noexcept : m_block(other.m_block) { other.m_block = nullptr; }
    RowValues& operator=(RowValues&& other) noexcept;
    ~RowValues();

    int size() const;
    bool isEmpty() const { return size() == 0; }
    QVariant at(int i) const;
    bool isNull(int i) const { return tag(i) == Tag::Null; }
    Tag tag(int i) const;
    QVariantList toList() const;
    void clear();
    // Bytes held by the block (for measurements).
    qsizetype blockSize() const;

    // Orders the i-th value of a against the j-th of b without making variants where the cells
    // allow it; nulls first. `fallback` compares the variants otherwise. Throws for a position
    // outside either row.
    static int compare(const RowValues& a, int i, const RowValues& b, int j,
                       int (*fallback)(const QVariant&, const QVariant&));
    // Orders two numbers of any kind (integers, Money, floats) exactly as what they are: floats as
    // doubles (NaN after everything), integers and Money without rounding or overflow.
    static bool isNumber(const QVariant& v);
    static int compareNumbers(const QVariant& a, const QVariant& b);
    static int compareDoubles(double a, double b);

    // Wall-clock milliseconds of a date and time, and back.
    static qint64 wallClockMsecs(const QDate& date, const QTime& time);
    static QDateTime fromWallClockMsecs(qint64 msecs);

    // Fills one row cell by cell and hands out its block; reused from row to row.
    class Builder
    {
    public:
        Builder() = default;
        ~Builder();
        Builder(const Builder&) = delete;
        Builder& operator=(const Builder&) = delete;

        void start(int count);
        int count() const { return int(m_tags.size()); }
        void setNull(int i, int metaTypeId = 0);
        void setInt32(int i, qint32 v) { set(i, Tag::Int32, quint64(qint64(v))); }
        void setInt64(int i, qint64 v) { set(i, Tag::Int64, quint64(v)); }
        void setMoney(int i, Money v) { set(i, Tag::Money, quint64(v.raw())); }
        void setDouble(int i, double v);
        void setBool(int i, bool v) { set(i, Tag::Bool, v ? 1 : 0); }
        void setWallClock(int i, qint64 msecs) { set(i, Tag::LocalDateTime, quint64(msecs)); }
        void setText(int i, const char* utf8, qsizetype size);
        void setBytes(int i, const char* data, qsizetype size);
        void setVariant(int i, const QVariant& v);
        // The j-th value of another row as it is stored there (text and bytes copied).
        void copyValue(int i, const RowValues& from, int j);
        // The block goes into the arena when given (freed with it), onto the heap otherwise.
        RowValues finish(RowArena* arena = nullptr);

    private:
        void set(int i, Tag tag, quint64 cell);
        void setTail(int i, Tag tag, const char* data, qsizetype size);
        void dropBoxed();

        std::vector<Tag> m_tags;
        std::vector<quint64> m_cells;
        QByteArray m_tail;
    };

private:
    struct Block;
    explicit RowValues(Block* block) : m_block(block) {}
    Block* m_block = nullptr;
};

// Bump allocation for the blocks of loaded rows: no per-row heap overhead. Blocks replaced by
// edits stay until the arena is cleared with the rows.
class RowArena
{
public:
    RowArena() = default;
    ~RowArena() { clear(); }
    RowArena(const RowArena&) = delete;
    RowArena& operator=(const RowArena&) = delete;

    // Eight-byte aligned; nullptr for sizes better left to the heap.
    void* allocate(qsizetype size);
    void clear();
    qsizetype allocated() const { return m_allocated; }

private:
    std::vector<void*> m_chunks;
    char* m_next = nullptr;
    qsizetype m_left = 0;
    qsizetype m_lastChunk = 0;
    qsizetype m_allocated = 0;
};

} // namespace Tarvo::Data
