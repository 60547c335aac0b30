#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace Tarvo::Data {
class Database;
struct NotationObject;
} // namespace Tarvo::Data

namespace Tarvo::AddIn {

// One configured module: the library's bare file name, the module's name, its type and the
// bytes it asked to get back at every start.
struct TAddInCollectionItem
{
    QString dllname;
    QString descr;
    QUuid type;
    QByteArray initData;

    // Any folder in `name` is dropped: a stored path must not lead anywhere else.
    static QString bareFileName(const QString& name);
    // InitData as the notation stores it (one character per byte) and back.
    static QString initDataText(const QByteArray& bytes);
    static QByteArray initDataBytes(const QString& text);
};

// A module bound to a program action.
struct TAddInActionCollectionItem : TAddInCollectionItem
{
    QUuid typeAction;
};

// The stored module lists. Visible items are those whose type is registered and, with a
// filter, equal to it; count, index and delete see visible items only, the others stay stored.
class TAddInCollectionB
{
public:
    virtual ~TAddInCollectionB() = default;

    void setFilter(const QUuid& type) { m_filter = type; }
    const QUuid& filter() const { return m_filter; }

    int count() const;
    const TAddInActionCollectionItem& item(int visibleIndex) const;
    void remove(int visibleIndex);
    void append(const TAddInCollectionItem& item);
    void append(const TAddInActionCollectionItem& item);
    // Every stored item, visible or not, in collection order.
    const QList<TAddInActionCollectionItem>& storedItems() const { return m_items; }
    void clear() { m_items.clear(); }

    // Reads the blob; a missing or empty one leaves the collection empty, a damaged one says so.
    void load(Data::Database& db, const QString& blobName);
    // Writes the blob when it is still as load() found it; otherwise asks `overwrite` (another
    // workstation saved meanwhile) and returns false when it says no (nothing written).
    bool save(Data::Database& db, const QString& blobName, const std::function<bool()>& overwrite);

    QByteArray toText() const;
    void fromText(const QByteArray& text);

protected:
    explicit TAddInCollectionB(bool actions) : m_actions(actions) {}

private:
    bool visible(const TAddInCollectionItem& item) const;
    int storedIndex(int visibleIndex) const;

    bool m_actions;
    QUuid m_filter;
    QList<TAddInActionCollectionItem> m_items;
    std::optional<QByteArray> m_loaded;
};

class TAddInCollection : public TAddInCollectionB
{
public:
    TAddInCollection() : TAddInCollectionB(false) {}
    static constexpr const char* BlobName = "Настроенные модули расширения";
};

class TAddInActionCollection : public TAddInCollectionB
{
public:
    TAddInActionCollection() : TAddInCollectionB(true) {}
    static constexpr const char* BlobName = "Настроенные действия программы";
};

} // namespace Tarvo::AddIn
