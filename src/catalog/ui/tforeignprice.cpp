#include "catalog/ui/tforeignprice.h"

#include "catalog/ui/tforeignpriceview.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TForeignPrice::TForeignPrice(Data::Database& db, Data::Database& readDb, QWidget* parent)
    : TfCatalog(db, new TForeignPriceView(db, readDb), TSCMTreePanel::DeleteMode::WholeTree, parent)
{
    setObjectName(u"TForeignPrice"_s);
    setWindowTitle(u"Прайс-листы поставщиков"_s);
}

TForeignPriceView* TForeignPrice::priceView() const
{
    return static_cast<TForeignPriceView*>(view());
}

} // namespace Tarvo::Catalog
