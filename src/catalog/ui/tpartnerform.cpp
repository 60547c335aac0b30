#include "catalog/ui/tpartnerform.h"

#include "catalog/partners/partnercard.h"
#include "catalog/partners/partnerlist.h"
#include "catalog/ui/bookfields.h"
#include "catalog/ui/tcontragent_card_.h"
#include "data/engine/databaseerror.h"
#include "data/modules/tupdatedadoquery.h"

#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString TPartnerForm::InUse = u"Организация используется в документах\r\nУдаление невозможно."_s;

TPartnerForm::TPartnerForm(Data::Database& db, QWidget* parent)
    : TLibraryForm(db, Mode::Browse, u"par_ID"_s, parent)
{
    setWindowTitle(u"Организации"_s);
    finishSetup(u"PartnerForm_Organisations"_s);
}

void TPartnerForm::prepare(Data::TUpdatedADOQuery& ds)
{
    // Our organisations need no registration in scm_partner to be listed.
    ds.setSql(u"select N_USER, NAME_USER, ADRES_USER, PST_B_USER, KPP, TEL1_USER, EMAIL_USER "
              "from _partner where MY_ORGANIZ = :kind order by NAME_USER"_s);
    ds.setParameter(u"kind"_s, PartnerList::letter(PartnerList::Kind::Ours));
}

void TPartnerForm::decorate(Data::TUpdatedADOQuery& ds)
{
    BookFields(ds)
        .label(u"N_USER"_s, u"Кратко"_s)
        .label(u"NAME_USER"_s, u"Наименование"_s)
        .label(u"ADRES_USER"_s, u"Адрес"_s)
        .label(u"PST_B_USER"_s, u"ИНН"_s)
        .label(u"KPP"_s, u"КПП"_s)
        .label(u"TEL1_USER"_s, u"Телефон"_s)
        .label(u"EMAIL_USER"_s, u"Эл. почта"_s);
}

QVariant TPartnerForm::createRecord()
{
    TContragent_Card_ card(database(), QString(), PartnerList::letter(PartnerList::Kind::Ours), this);
    if (card.exec() != QDialog::Accepted)
        return {};
    return card.savedShortName();
}

void TPartnerForm::editRecord()
{
    TContragent_Card_ card(database(), dataSet().string(u"N_USER"_s),
                           PartnerList::letter(PartnerList::Kind::Ours), this);
    card.exec();
}

void TPartnerForm::deleteRecord()
{
    const QString name = dataSet().string(u"NAME_USER"_s);
    if (QMessageBox::question(this, windowTitle(), u"Удалить организацию \""_s + name + u"\" ?"_s,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    try {
        PartnerCard(database()).remove(dataSet().string(u"N_USER"_s));
    } catch (const Data::DatabaseError& e) {
        if (e.nativeError() != Data::NativeError::Reference)
            throw;
        QMessageBox::warning(this, windowTitle(), InUse);
        return;
    }
    reopen();
}

} // namespace Tarvo::Catalog
