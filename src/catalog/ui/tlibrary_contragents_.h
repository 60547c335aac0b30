#pragma once

#include "catalog/partners/partnerlist.h"
#include "catalog/ui/tlibraryform.h"

class QTabBar;

namespace Tarvo::Catalog {

// The counterparty list ("Контрагенты"): suppliers and buyers on two tabs, the card on
// "Создать"/"Изменить"; as a picker it returns `par_ID` values.
class TLibrary_Contragents_ : public TLibraryForm
{
    Q_OBJECT
public:
    TLibrary_Contragents_(Data::Database& db, Mode mode, QWidget* parent = nullptr);

    QTabBar* kindTabs() const { return m_tabs; }
    PartnerList::Kind kind() const;

    // The pickers: the chosen par_ID(s) as text, empty when cancelled.
    static QString pickOne(Data::Database& db, QWidget* parent = nullptr);
    static QString pickMany(Data::Database& db, QWidget* parent = nullptr);

protected:
    void prepare(Data::TUpdatedADOQuery& dataSet) override;
    void decorate(Data::TUpdatedADOQuery& dataSet) override;
    QString locateField() const override { return QStringLiteral("N_USER"); }
    QVariant createRecord() override;
    void editRecord() override;

private:
    QTabBar* m_tabs;
};

} // namespace Tarvo::Catalog
