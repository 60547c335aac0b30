#include "catalog/ui/tlibrary_urgencys_.h"

#include "catalog/books/urgencybook.h"
#include "catalog/ui/turgency_card_.h"
#include "core/exception.h"
#include "data/modules/tupdatedadoquery.h"

#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TLibrary_Urgencys_::TLibrary_Urgencys_(Data::Database& db, Mode mode, QWidget* parent)
    : TLibraryForm(db, mode, u"Urgency_ID"_s, parent)
{
    setWindowTitle(u"Типы срочности документов"_s);
    resize(420, 360);
    finishSetup(UrgencyBook::SettingsKey);
}

void TLibrary_Urgencys_::prepare(Data::TUpdatedADOQuery& ds)
{
    ds.setSql(u"select Urgency_ID, Name, Priority from SCM_Library_Urgency order by Priority"_s);
}

void TLibrary_Urgencys_::decorate(Data::TUpdatedADOQuery& ds)
{
    ds.field(ds.fieldIndexOrThrow(u"Urgency_ID"_s)).displayLabel.clear();
    ds.field(ds.fieldIndexOrThrow(u"Name"_s)).displayLabel = u"Наименование срочности"_s;
    ds.field(ds.fieldIndexOrThrow(u"Priority"_s)).displayLabel = u"приоритет"_s;
}

QVariant TLibrary_Urgencys_::createRecord()
{
    TUrgency_Card_ card(database(), 0, this);
    if (card.exec() != QDialog::Accepted)
        return {};
    return card.savedId();
}

void TLibrary_Urgencys_::editRecord()
{
    TUrgency_Card_ card(database(), dataSet().integer(u"Urgency_ID"_s), this);
    card.exec();
}

void TLibrary_Urgencys_::deleteRecord()
{
    const QString name = dataSet().string(u"Name"_s);
    if (QMessageBox::question(this, windowTitle(), UrgencyBook::deleteQuestion(name),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    try {
        UrgencyBook(database()).remove(dataSet().integer(u"Urgency_ID"_s));
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        return;
    }
    reopen();
}

QString TLibrary_Urgencys_::pickOne(Data::Database& db, QWidget* parent)
{
    return pick<TLibrary_Urgencys_>(db, Mode::SingleSelect, parent);
}

QString TLibrary_Urgencys_::pickMany(Data::Database& db, QWidget* parent)
{
    return pick<TLibrary_Urgencys_>(db, Mode::MultiSelect, parent);
}

} // namespace Tarvo::Catalog
