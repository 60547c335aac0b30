#pragma once

#include "catalog/ui/tlibraryform.h"

namespace Tarvo::Catalog {

// "Организации": our own organisations (kind "Я"), which the documents name as the buyer
// side; created, corrected and deleted with the counterparty card.
class TPartnerForm : public TLibraryForm
{
    Q_OBJECT
public:
    explicit TPartnerForm(Data::Database& db, QWidget* parent = nullptr);
    static const QString InUse;

protected:
    void prepare(Data::TUpdatedADOQuery& dataSet) override;
    void decorate(Data::TUpdatedADOQuery& dataSet) override;
    QString locateField() const override { return QStringLiteral("N_USER"); }
    QVariant createRecord() override;
    void editRecord() override;
    bool canDelete() const override { return true; }
    void deleteRecord() override;
};

} // namespace Tarvo::Catalog
