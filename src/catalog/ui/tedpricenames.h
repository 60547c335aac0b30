#pragma once

#include "catalog/ui/tbookeditor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// "Условия поставки (Виды цен)": the price kinds of supplier and additional prices (`scm_pricename`).
class TedPriceNames : public TBookEditor
{
    Q_OBJECT
public:
    explicit TedPriceNames(Data::Database& db, QWidget* parent = nullptr);
};

} // namespace Tarvo::Catalog
