#pragma once

#include "catalog/ui/tbookeditor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Свойства типа <purpose> справочник <attribute>": the values of one additional attribute of
// a product purpose (`CS_VALUES`).
class TedAddSpr : public TBookEditor
{
    Q_OBJECT
public:
    TedAddSpr(Data::Database& db, const QString& purpose, int number, const QString& attribute,
              QWidget* parent = nullptr);
};

} // namespace Tarvo::Catalog
