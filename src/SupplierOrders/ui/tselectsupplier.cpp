#include "SupplierOrders/ui/tselectsupplier.h"

#include "catalog/ui/tcontragent_card_.h"
#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/likepattern.h"
#include "data/modules/tupdatedadoquery.h"
#include "shell/tinistorage.h"
#include "widgets/tdatagrid.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

const QString TselectSupplier::IniSection = u"TselectSupplier"_s;

namespace {

QString lastKey(Catalog::PartnerList::Kind kind)
{
    switch (kind) {
    case Catalog::PartnerList::Kind::Suppliers:
        return u"LastSupplier"_s;
    case Catalog::PartnerList::Kind::Buyers:
        return u"LastBuyer"_s;
    case Catalog::PartnerList::Kind::Ours:
        return u"LastOurOrganization"_s;
    }
    return {};
}

QString titleOf(Catalog::PartnerList::Kind kind)
{
    switch (kind) {
    case Catalog::PartnerList::Kind::Suppliers:
        return u"Выбор поставщика"_s;
    case Catalog::PartnerList::Kind::Buyers:
        return u"Выбор покупателя"_s;
    case Catalog::PartnerList::Kind::Ours:
        return u"Выбор своей организации"_s;
    }
    return {};
}

} // namespace

TselectSupplier::TselectSupplier(Data::Database& db, QWidget* parent, Catalog::PartnerList::Kind kind)
    : TLibraryForm(db, Mode::SingleSelect, u"par_ID"_s, parent), m_kind(kind)
{
    setObjectName(u"TselectSupplier"_s);
    setWindowTitle(titleOf(kind));
    auto* label = new QLabel(u"&Найти:"_s, this);
    m_find = new QLineEdit(this);
    m_find->setObjectName(u"edFind"_s);
    label->setBuddy(m_find);
    layout()->addWidget(label);
    layout()->addWidget(m_find);
    finishSetup(u"TselectSupplier"_s);
    connect(m_find, &QLineEdit::textEdited, this, [this] { narrow(); });
    m_find->installEventFilter(this);
    const int last = Shell::TIniStorage::open(IniSection)->readInteger(lastKey(kind), 0);
    if (last > 0)
        dataSet().locate({u"par_ID"_s}, {last});
    m_find->setFocus();
}

void TselectSupplier::prepare(Data::TUpdatedADOQuery& ds)
{
    const QString like = database().dialect().likeOperator();
    QString sql = u"select pt.N_USER, pt.NAME_USER, pt.PST_B_USER, "
                  "trim(coalesce(pt.TEL1_USER, '') || ' ' || coalesce(pt.TEL2_USER, '')) PHONES, scm.par_ID "
                  "from _partner pt join scm_partner scm on pt.N_USER = scm.par_nuser "
                  "where pt.MY_ORGANIZ = :kind"_s;
    ds.setParameter(u"kind"_s, Catalog::PartnerList::letter(m_kind));
    const QString typed = m_find ? m_find->text().trimmed() : QString();
    if (!typed.isEmpty()) {
        sql += u" and (pt.N_USER %1 :short%2 or pt.NAME_USER %1 :full%2)"_s.arg(
            like, Data::LikePattern::escapeClause());
        ds.setParameter(u"short"_s, Data::LikePattern::contains(typed));
        ds.setParameter(u"full"_s, Data::LikePattern::contains(typed));
    }
    ds.setSql(sql + u" order by pt.NAME_USER, pt.N_USER"_s);
}

void TselectSupplier::decorate(Data::TUpdatedADOQuery& ds)
{
    const QList<QPair<QString, QString>> columns{{u"N_USER"_s, u"Кратко"_s},
                                                 {u"NAME_USER"_s, u"Наименование"_s},
                                                 {u"PST_B_USER"_s, u"ИНН"_s},
                                                 {u"PHONES"_s, u"Телефоны"_s}};
    for (int i = 0; i < ds.fieldCount(); ++i)
        ds.field(i).displayLabel.clear();
    for (const auto& [name, caption] : columns) {
        const int i = ds.fieldIndex(name);
        if (i >= 0)
            ds.field(i).displayLabel = caption;
    }
}

void TselectSupplier::narrow()
{
    refresh();
    if (dataSet().recNo() < 0 && !dataSet().isEmpty())
        dataSet().first();
}

QVariant TselectSupplier::createRecord()
{
    Catalog::TContragent_Card_ card(database(), QString(), Catalog::PartnerList::letter(m_kind), this);
    if (card.exec() != QDialog::Accepted || card.savedShortName().isEmpty())
        return {};
    return database().scalar(u"select par_ID from scm_partner where par_nuser = ?"_s,
                             {card.savedShortName()});
}

void TselectSupplier::editRecord()
{
    Catalog::TContragent_Card_ card(database(), dataSet().string(u"N_USER"_s), Catalog::PartnerList::letter(m_kind),
                                    this);
    card.exec();
}

bool TselectSupplier::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_find && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose();
            return true;
        }
        // The arrows move through the list while the text stays.
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            QCoreApplication::sendEvent(grid(), event);
            return true;
        }
    }
    return TLibraryForm::eventFilter(watched, event);
}

std::optional<TselectSupplier::Choice> TselectSupplier::chosen() const
{
    const QString key = result();
    if (key.isEmpty())
        return std::nullopt;
    Choice c;
    c.id = key.toLongLong();
    c.name = dataSet().string(u"NAME_USER"_s).trimmed();
    if (c.name.isEmpty())
        c.name = dataSet().string(u"N_USER"_s);
    return c;
}

std::optional<TselectSupplier::Choice> TselectSupplier::pickSupplier(Data::Database& db, QWidget* parent)
{
    return pickPartner(db, Catalog::PartnerList::Kind::Suppliers, parent);
}

std::optional<TselectSupplier::Choice> TselectSupplier::pickPartner(Data::Database& db, Catalog::PartnerList::Kind kind,
                                                                    QWidget* parent)
{
    TselectSupplier dialog(db, parent, kind);
    dialog.exec();
    const std::optional<Choice> c = dialog.chosen();
    if (c)
        Shell::TIniStorage::open(IniSection)->writeInteger(lastKey(kind), int(c->id));
    return c;
}

} // namespace Tarvo::SupplierOrders
