#include "catalog/ui/tfviewourprice.h"

#include "catalog/ui/tourpriceview.h"
#include "shell/ui/mainwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
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
        if (auto* main = Shell::MainWindow::instance(); main && main->mdiArea())
            main->mdiArea()->addSubWindow(open)->setAttribute(Qt::WA_DeleteOnClose);
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

} // namespace Tarvo::Catalog
