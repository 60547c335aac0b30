#pragma once

#include "catalog/ui/tlibraryform.h"

namespace Tarvo::Catalog {

// "Типы срочности документов": the urgency types by priority; as a picker it returns
// `Urgency_ID` values.
class TLibrary_Urgencys_ : public TLibraryForm
{
    Q_OBJECT
public:
    TLibrary_Urgencys_(Data::Database& db, Mode mode, QWidget* parent = nullptr);

    static QString pickOne(Data::Database& db, QWidget* parent = nullptr);
    static QString pickMany(Data::Database& db, QWidget* parent = nullptr);

protected:
    void prepare(Data::TUpdatedADOQuery& dataSet) override;
    void decorate(Data::TUpdatedADOQuery& dataSet) override;
    QString locateField() const override { return QStringLiteral("Urgency_ID"); }
    QVariant createRecord() override;
    void editRecord() override;
    bool canDelete() const override { return true; }
    void deleteRecord() override;
};

} // namespace Tarvo::Catalog
