#pragma once

#include "catalog/ui/tfcatalog.h"

namespace Tarvo::Catalog {

class TOurPriceView;

// "Каталог товаров" as the product chooser of the document editors: the catalog window over our
// price list. An editor registers for TOurTvrExchange and opens it; each choice reaches it.
class TfViewOurPrice : public TfCatalog
{
    Q_OBJECT
public:
    explicit TfViewOurPrice(Data::Database& db, QWidget* parent = nullptr);

    TOurPriceView* priceView() const;

    // Shows the one chooser as a window of the main window (a new one when none is open).
    static TfViewOurPrice* showChooser(Data::Database& db);
};

} // namespace Tarvo::Catalog
