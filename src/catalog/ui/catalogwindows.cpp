#include "catalog/ui/catalogwindows.h"

#include "catalog/ui/tednazntov.h"
#include "catalog/ui/tedphrases.h"
#include "catalog/ui/tformcodvalut.h"
#include "catalog/ui/tfproductequivalents.h"
#include "catalog/ui/tfrmctr.h"
#include "catalog/ui/tlibrary_contragents_.h"
#include "catalog/ui/tlibrary_urgencys_.h"
#include "catalog/ui/tpartnerform.h"
#include "catalog/ui/tstationseditor.h"
#include "catalog/ui/tvgrusootpr.h"
#include "data/engine/database.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/twindowactivator.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

QWidget* mainWindow()
{
    return Shell::MainWindow::instance();
}

template <typename Dialog> Shell::MenuHooks::Handler modal()
{
    return [] {
        Dialog d(Data::Database::openMain(), mainWindow());
        d.exec();
    };
}

Shell::TWindowActivator& partnerList()
{
    static Shell::TWindowActivator a(
        0, [] { return new TLibrary_Contragents_(Data::Database::openMain(), TLibraryForm::Mode::Browse); });
    return a;
}

Shell::TWindowActivator& urgencyList()
{
    static Shell::TWindowActivator a(
        0, [] { return new TLibrary_Urgencys_(Data::Database::openMain(), TLibraryForm::Mode::Browse); });
    return a;
}

} // namespace

void registerCatalogWindows()
{
    using Shell::MenuHooks;
    TFrmCtr::install();
    MenuHooks::setHandler(u"itemStations"_s, modal<TStationsEditor>());
    MenuHooks::setHandler(u"itemShippers"_s, modal<TvGrusoOtpr>());
    MenuHooks::setHandler(u"itemPhrases"_s, modal<TedPhrases>());
    MenuHooks::setHandler(u"itemEquivalents"_s, modal<TfProductEquivalents>());
    MenuHooks::setHandler(u"itemOrganisations"_s, modal<TPartnerForm>());
    MenuHooks::setHandler(u"itemCurrencies"_s, modal<TFormCodValut>());
    MenuHooks::setHandler(u"itemProductPurposes"_s, modal<TedNaznTov>());
    MenuHooks::setHandler(u"itemPartners"_s, [] { partnerList().activate(0); });
    MenuHooks::setHandler(u"itemUrgencyTypes"_s, [] { urgencyList().activate(0); });
    // The test menu discards what the pickers return.
    MenuHooks::setHandler(u"itemRtPartnerOne"_s, [] {
        (void)TLibrary_Contragents_::pickOne(Data::Database::openMain(), mainWindow());
    });
    MenuHooks::setHandler(u"itemRtPartnerMany"_s, [] {
        (void)TLibrary_Contragents_::pickMany(Data::Database::openMain(), mainWindow());
    });
    MenuHooks::setHandler(u"itemRtUrgencyOne"_s, [] {
        (void)TLibrary_Urgencys_::pickOne(Data::Database::openMain(), mainWindow());
    });
    MenuHooks::setHandler(u"itemRtUrgencyMany"_s, [] {
        (void)TLibrary_Urgencys_::pickMany(Data::Database::openMain(), mainWindow());
    });
}

} // namespace Tarvo::Catalog
