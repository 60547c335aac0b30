#include "catalog/ui/pricewindows.h"

#include "catalog/ui/tedmanufactures.h"
#include "catalog/ui/tedpricenames.h"
#include "catalog/ui/tforeignprice.h"
#include "data/engine/database.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/twindowactivator.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

Shell::TWindowActivator& foreignPrice()
{
    static Shell::TWindowActivator a(
        0, [] { return new TForeignPrice(Data::Database::openMain(), productReader(Data::Database::openMain())); });
    return a;
}

template <typename Dialog> void modal()
{
    Dialog d(Data::Database::openMain(), Shell::MainWindow::instance());
    d.exec();
}

} // namespace

Data::Database& productReader(Data::Database& db)
{
    Data::Database* cursor = Data::Database::serverCursor();
    if (Shell::CommandLineSwitches::current().serverCursor() && cursor && cursor->isOpen())
        return *cursor;
    return db;
}

void registerPriceWindows()
{
    using Shell::MenuHooks;
    MenuHooks::setHandler(u"itemForeignPrice"_s, [] { foreignPrice().activate(0); });
    MenuHooks::setHandler(u"itemPriceNames"_s, [] { modal<TedPriceNames>(); });
    MenuHooks::setHandler(u"itemManufactures"_s, [] { modal<TedManufactures>(); });
}

} // namespace Tarvo::Catalog
