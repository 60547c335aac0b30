#include "catalog/import/ui/priceimportwindows.h"

#include "catalog/import/ui/tunhandprod.h"
#include "catalog/import/ui/tvwpriceimports.h"
#include "data/engine/database.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

template <typename Dialog> void modal()
{
    Dialog d(Data::Database::openMain(), Shell::MainWindow::instance());
    d.exec();
}

} // namespace

void registerPriceImportWindows()
{
    Shell::MenuHooks::setHandler(u"itemPriceImports"_s, [] { modal<TvwPriceImports>(); });
    Shell::MenuHooks::setHandler(u"itemUnhandledProducts"_s, [] { modal<TUnHandProd>(); });
}

} // namespace Tarvo::Catalog
