#include "catalog/ui/tfviewourprice.h"

#include "catalog/ui/tourpriceview.h"
#include "widgets/mdihost.h"

#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TfViewOurPrice::TfViewOurPrice(Data::Database& db, QWidget* parent)
    : TfCatalog(db, new TOurPriceView(db), TSCMTreePanel::DeleteMode::WholeTree, parent)
{
    setObjectName(u"TfViewOurPrice"_s);
    setWindowTitle(u"Каталог товаров"_s);
}

TOurPriceView* TfViewOurPrice::priceView() const
{
    return static_cast<TOurPriceView*>(view());
}

TfViewOurPrice* TfViewOurPrice::showChooser(Data::Database& db)
{
    static QPointer<TfViewOurPrice> open;
    if (!open) {
        open = new TfViewOurPrice(db);
        Widgets::MdiHost::adopt(open);
    }
    Widgets::MdiHost::bringForward(open);
    return open;
}

} // namespace Tarvo::Catalog
