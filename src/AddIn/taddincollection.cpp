#include "AddIn/taddincollection.h"

#include "AddIn/addinguid.h"
#include "AddIn/addinregistry.h"
#include "core/exception.h"
#include "data/modules/configblob.h"
#include "data/modules/objectnotation.h"

#include <QStringEncoder>

namespace Tarvo::AddIn {

using Data::NotationObject;
using Data::NotationProperty;
using Data::NotationValue;

QString TAddInCollectionItem::bareFileName(const QString& name)
{
    QString n = name;
    n.replace(u'\\', u'/');
    return n.mid(n.lastIndexOf(u'/') + 1);
}

bool TAddInCollectionB::visible(const TAddInCollectionItem& item) const
{
    return AddInRegistry::isTypeRegistered(item.type) && (m_filter.isNull() || item.type == m_filter);
}

int TAddInCollectionB::count() const
{
    int n = 0;
    for (const auto& i : m_items)
        n += visible(i) ? 1 : 0;
    return n;
}

int TAddInCollectionB::storedIndex(int visibleIndex) const
{
    int n = -1;
    for (int i = 0; i < m_items.size(); ++i)
        if (visible(m_items[i]) && ++n == visibleIndex)
            return i;
    throw Exception(QStringLiteral("Нет модуля расширения с номером %1").arg(visibleIndex + 1));
}

const TAddInActionCollectionItem& TAddInCollectionB::item(int visibleIndex) const
{
    return m_items[storedIndex(visibleIndex)];
}

void TAddInCollectionB::remove(int visibleIndex)
{
    m_items.removeAt(storedIndex(visibleIndex));
}

void TAddInCollectionB::append(const TAddInCollectionItem& item)
{
    TAddInActionCollectionItem copy;
    static_cast<TAddInCollectionItem&>(copy) = item;
    append(copy);
}

void TAddInCollectionB::append(const TAddInActionCollectionItem& item)
{
    TAddInActionCollectionItem copy = item;
    copy.dllname = TAddInCollectionItem::bareFileName(copy.dllname);
    if (!m_actions)
        copy.typeAction = QUuid();
    m_items.append(copy);
}

namespace {

// InitData is a byte string: one character per byte.
QString bytesAsText(const QByteArray& bytes)
{
    QString s(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        s[i] = QChar(char16_t(uchar(bytes[i])));
    return s;
}

// A character above 255 comes from a blob an older workstation wrote in windows-1251: it turns
// back into that code page's byte.
QByteArray textAsBytes(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    QStringEncoder cp1251("windows-1251");
    for (QChar c : text) {
        if (c.unicode() <= 255) {
            out += char(c.unicode());
            continue;
        }
        const QByteArray b = cp1251.isValid() ? cp1251.encode(QStringView(&c, 1)) : QByteArray();
        if (b.size() != 1 || cp1251.hasError())
            throw Exception(
                QStringLiteral("Данные модуля расширения содержат символ %1, который не является байтом")
                    .arg(c.unicode()));
        out += b;
    }
    return out;
}

} // namespace

QString TAddInCollectionItem::initDataText(const QByteArray& bytes)
{
    return bytesAsText(bytes);
}

QByteArray TAddInCollectionItem::initDataBytes(const QString& text)
{
    return textAsBytes(text);
}

namespace {

QString stringProperty(const QList<NotationProperty>& props, const char* name)
{
    for (const NotationProperty& p : props)
        if (p.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return p.value.text;
    return {};
}

QUuid guidProperty(const QList<NotationProperty>& props, const char* name)
{
    for (const NotationProperty& p : props)
        if (p.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return Guid::fromBytes(p.value.bytes);
    return {};
}

NotationValue binary(const QUuid& id)
{
    NotationValue v;
    v.kind = NotationValue::Kind::Binary;
    v.bytes = Guid::toBytes(id);
    return v;
}

} // namespace

QByteArray TAddInCollectionB::toText() const
{
    NotationObject root;
    root.className =
        m_actions ? QStringLiteral("TAddInActionCollection") : QStringLiteral("TAddInCollection");
    NotationValue items;
    items.kind = NotationValue::Kind::Collection;
    for (const auto& i : m_items) {
        QList<NotationProperty> props{
            {QStringLiteral("InitData"), NotationValue::string(bytesAsText(i.initData))},
            {QStringLiteral("dllname"), NotationValue::string(i.dllname)},
            {QStringLiteral("type"), binary(i.type)},
            {QStringLiteral("descr"), NotationValue::string(i.descr)}};
        if (m_actions)
            props << NotationProperty{QStringLiteral("typeAction"), binary(i.typeAction)};
        items.items << props;
    }
    root.properties << NotationProperty{QStringLiteral("AddIns"), items};
    return Data::ObjectNotation::write(root);
}

void TAddInCollectionB::fromText(const QByteArray& text)
{
    m_items.clear();
    if (text.trimmed().isEmpty())
        return;
    const NotationObject root = Data::ObjectNotation::read(text);
    const NotationProperty* addIns = root.find(QStringLiteral("AddIns"));
    if (!addIns)
        return;
    for (const auto& props : addIns->value.items) {
        TAddInActionCollectionItem item;
        item.initData = textAsBytes(stringProperty(props, "InitData"));
        item.dllname = TAddInCollectionItem::bareFileName(stringProperty(props, "dllname"));
        item.type = guidProperty(props, "type");
        item.descr = stringProperty(props, "descr");
        if (m_actions)
            item.typeAction = guidProperty(props, "typeAction");
        m_items.append(item);
    }
}

void TAddInCollectionB::load(Data::Database& db, const QString& blobName)
{
    m_loaded = Data::ConfigBlob::load(db, blobName);
    try {
        fromText(m_loaded.value_or(QByteArray()));
    } catch (const Exception& e) {
        m_items.clear();
        throw Exception(QStringLiteral("Настройка «%1» повреждена: %2").arg(blobName, e.message()));
    }
}

bool TAddInCollectionB::save(Data::Database& db, const QString& blobName,
                             const std::function<bool()>& overwrite)
{
    const QByteArray text = toText();
    if (!Data::ConfigBlob::saveIfUnchanged(db, blobName, m_loaded, text)) {
        if (!overwrite || !overwrite())
            return false;
        Data::ConfigBlob::save(db, blobName, text);
    }
    m_loaded = text;
    return true;
}

} // namespace Tarvo::AddIn
