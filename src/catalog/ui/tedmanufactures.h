#pragma once

#include "catalog/ui/tbookeditor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Производители": the manufacturers the products name (`crm_manufacture`).
class TedManufactures : public TBookEditor
{
    Q_OBJECT
public:
    explicit TedManufactures(Data::Database& db, QWidget* parent = nullptr);
};

} // namespace Tarvo::Catalog
