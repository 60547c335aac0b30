#pragma once

#include "catalog/ui/tfcatalog.h"

namespace Tarvo::Catalog {

class TForeignPriceView;

// "Прайс-листы поставщиков": the catalog window over the editable price list.
class TForeignPrice : public TfCatalog
{
    Q_OBJECT
public:
    // readDb reads the product list: the server-cursor connection in "SCR" mode, else db.
    TForeignPrice(Data::Database& db, Data::Database& readDb, QWidget* parent = nullptr);

    TForeignPriceView* priceView() const;
};

} // namespace Tarvo::Catalog
