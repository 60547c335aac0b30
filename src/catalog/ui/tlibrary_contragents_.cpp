#include "catalog/ui/tlibrary_contragents_.h"

#include "catalog/ui/tcontragent_card_.h"
#include "data/modules/tupdatedadoquery.h"

#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TLibrary_Contragents_::TLibrary_Contragents_(Data::Database& db, Mode mode, QWidget* parent)
    : TLibraryForm(db, mode, u"par_ID"_s, parent)
{
    setWindowTitle(u"Контрагенты"_s);
    m_tabs = new QTabBar(this);
    m_tabs->addTab(u"Поставщики"_s);
    m_tabs->addTab(u"Покупатели"_s);
    m_tabs->setAccessibleName(u"Вид контрагентов"_s);
    layout()->addWidget(m_tabs);
    finishSetup(PartnerList::SettingsKey);
    connect(m_tabs, &QTabBar::currentChanged, this, [this] { reopen(); });
}

PartnerList::Kind TLibrary_Contragents_::kind() const
{
    return m_tabs && m_tabs->currentIndex() == 1 ? PartnerList::Kind::Buyers : PartnerList::Kind::Suppliers;
}

void TLibrary_Contragents_::prepare(Data::TUpdatedADOQuery& ds)
{
    ds.setSql(PartnerList::sql().replace(u"?"_s, u":kind"_s));
    ds.setParameter(u"kind"_s, PartnerList::letter(kind()));
}

void TLibrary_Contragents_::decorate(Data::TUpdatedADOQuery& ds)
{
    const QList<QPair<QString, QString>> columns{{u"N_USER"_s, u"Кратко"_s},
                                                 {u"NAME_USER"_s, u"Наименование"_s},
                                                 {u"ADRES_USER"_s, u"Адрес"_s},
                                                 {u"PST_B_USER"_s, u"ИНН"_s},
                                                 {u"KPP"_s, u"КПП"_s},
                                                 {u"EMAIL_USER"_s, u"Эл. почта"_s},
                                                 {u"REGIS_USER"_s, u"Рег. номер"_s}};
    for (int i = 0; i < ds.fieldCount(); ++i)
        ds.field(i).displayLabel.clear();
    for (const auto& [name, caption] : columns) {
        const int i = ds.fieldIndex(name);
        if (i >= 0)
            ds.field(i).displayLabel = caption;
    }
}

QVariant TLibrary_Contragents_::createRecord()
{
    TContragent_Card_ card(database(), QString(), PartnerList::letter(kind()), this);
    if (card.exec() != QDialog::Accepted)
        return {};
    // A new buyer shows on the buyers' tab.
    const bool buyer =
        card.field(u"KIND_BUYER"_s) && card.field(u"KIND_BUYER"_s)->property("checked").toBool();
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(buyer ? 1 : 0);
    return card.savedShortName();
}

void TLibrary_Contragents_::editRecord()
{
    TContragent_Card_ card(database(), dataSet().string(u"N_USER"_s), PartnerList::letter(kind()), this);
    card.exec();
}

QString TLibrary_Contragents_::pickOne(Data::Database& db, QWidget* parent)
{
    return pick<TLibrary_Contragents_>(db, Mode::SingleSelect, parent);
}

QString TLibrary_Contragents_::pickMany(Data::Database& db, QWidget* parent)
{
    return pick<TLibrary_Contragents_>(db, Mode::MultiSelect, parent);
}

} // namespace Tarvo::Catalog
