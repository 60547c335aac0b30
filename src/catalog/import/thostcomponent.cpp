#include "catalog/import/thostcomponent.h"

#include "AddIn/taddincollection.h"
#include "core/exception.h"
#include "data/modules/configblob.h"
#include "data/modules/objectnotation.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

using Data::NotationObject;
using Data::NotationProperty;
using Data::NotationValue;

QString TFPPrice::columnLetter(int columnId)
{
    QString s;
    for (int n = columnId + 1; n > 0; n = (n - 1) / 26)
        s.prepend(QChar(u'A' + (n - 1) % 26));
    return s;
}

const QStringList& THostComponent::columnNames()
{
    static const QStringList names = [] {
        QStringList n{u"АРТИКУЛ_ПОСТАВЩИКА"_s, u"ВАЛЮТА"_s, u"ВРЕМЯ_В_ПУТИ"_s, u"ЗАДЕРЖКА_ВЫПОЛНЕНИЯ"_s,
                      u"ИМЯ_ТОВАРА"_s, u"КОЛВО_В_УПАК"_s, u"МИН_ПАРТИЯ"_s, u"ЦЕНА"_s};
        for (int i = 1; i <= 8; ++i)
            n << u"ДОП%1"_s.arg(i);
        n.sort();
        return n;
    }();
    return names;
}

namespace {

const NotationProperty* find(const QList<NotationProperty>& props, const QString& name)
{
    for (const NotationProperty& p : props)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

QString text(const QList<NotationProperty>& props, const QString& name)
{
    const NotationProperty* p = find(props, name);
    return p ? p->value.text : QString();
}

} // namespace

QByteArray THostComponent::toText() const
{
    NotationObject root;
    root.name = u"HostComponent"_s;
    root.className = u"THostComponent"_s;
    NotationValue prices;
    prices.kind = NotationValue::Kind::Collection;
    for (const TFPPrice& p : m_prices) {
        NotationValue columns;
        columns.kind = NotationValue::Kind::Collection;
        for (const TColumnMapping& c : p.columns)
            columns.items << QList<NotationProperty>{{u"Name"_s, NotationValue::string(c.name)},
                                                     {u"ColumnID"_s, NotationValue::integer(c.columnId)}};
        prices.items << QList<NotationProperty>{
            {u"SupplierName"_s, NotationValue::string(p.supplierName)},
            {u"LibName"_s, NotationValue::string(p.libName)},
            {u"InitData"_s, NotationValue::string(AddIn::TAddInCollectionItem::initDataText(p.initData))},
            {u"Columns"_s, columns},
            {u"PrgName"_s, NotationValue::string(p.prgName)},
            {u"SourceName"_s, NotationValue::string(p.sourceName)}};
    }
    root.properties << NotationProperty{u"Prices"_s, prices};
    return Data::ObjectNotation::write(root);
}

void THostComponent::fromText(const QByteArray& data)
{
    m_prices.clear();
    if (data.trimmed().isEmpty())
        return;
    const NotationObject root = Data::ObjectNotation::read(data);
    const NotationProperty* prices = root.find(u"Prices"_s);
    if (!prices)
        return;
    for (const auto& props : prices->value.items) {
        TFPPrice p;
        p.supplierName = text(props, u"SupplierName"_s);
        p.libName = AddIn::TAddInCollectionItem::bareFileName(text(props, u"LibName"_s));
        p.initData = AddIn::TAddInCollectionItem::initDataBytes(text(props, u"InitData"_s));
        p.prgName = text(props, u"PrgName"_s);
        p.sourceName = text(props, u"SourceName"_s);
        if (const NotationProperty* columns = find(props, u"Columns"_s)) {
            for (const auto& c : columns->value.items) {
                TColumnMapping m;
                m.name = text(c, u"Name"_s);
                bool ok = false;
                const int id = text(c, u"ColumnID"_s).toInt(&ok);
                m.columnId = ok && id >= 0 ? id : 0;
                p.columns << m;
            }
        }
        m_prices << p;
    }
}

void THostComponent::load(Data::Database& db)
{
    m_loaded = Data::ConfigBlob::load(db, QString::fromUtf8(BlobName));
    try {
        fromText(m_loaded.value_or(QByteArray()));
    } catch (const Exception& e) {
        m_prices.clear();
        throw Exception(u"Настройка «%1» повреждена: %2"_s.arg(QString::fromUtf8(BlobName), e.message()));
    }
}

bool THostComponent::save(Data::Database& db, const std::function<bool()>& overwrite)
{
    const QByteArray data = toText();
    const QString name = QString::fromUtf8(BlobName);
    if (!Data::ConfigBlob::saveIfUnchanged(db, name, m_loaded, data)) {
        if (!overwrite || !overwrite())
            return false;
        Data::ConfigBlob::save(db, name, data);
    }
    m_loaded = data;
    return true;
}

} // namespace Tarvo::Catalog
