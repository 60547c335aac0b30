// Every window the main menu opens, on the demo company: no grid shows a field's own name as its
// column title, unless the caption dictionary names the column so.
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/ui/pricewindows.h"
#include "data/modules/tdatatablefieldmap.h"
#include "data/rowset/trowset.h"
#include "db/demodata.h"
#include "newLookup/ui/columnsregistration.h"
#include "otbor/tglobalotbors.h"
#include "otbor/ui/otbormodule.h"
#include "security/rightscatalog.h"
#include "security/ui/securityregistration.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

// The dictionary gives some columns a caption that is their name (a code, say): those may stay.
bool dictionarySaysSo(const QString& field, const QString& title)
{
    for (const Data::TableInfo& t : Data::TDataTableFieldMap::instance().tables)
        for (const Data::TFieldInfo& f : t.fields)
            if (f.phisName.compare(field, Qt::CaseInsensitive) == 0 &&
                f.displayName.compare(title, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

// The shown columns of `window`'s grids whose title is their field's name.
QStringList rawTitles(QWidget* window, int& checked)
{
    QStringList problems;
    for (Widgets::TDataGrid* grid : window->findChildren<Widgets::TDataGrid*>()) {
        const Data::TRowSet* rs = grid->rowSet();
        if (!rs || rs->fieldCount() == 0)
            continue;
        for (int c : grid->columnsInDisplayOrder()) {
            if (!grid->isColumnShown(c))
                continue;
            ++checked;
            const QString field = grid->columnField(c);
            const QString title = grid->columnCaption(c).trimmed();
            if (title.compare(field, Qt::CaseInsensitive) == 0 && !dictionarySaysSo(field, title))
                problems << u"%1 shows the field name \"%2\""_s.arg(grid->objectName(), field);
        }
    }
    return problems;
}

} // namespace

class ColumnTitlesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void noMenuWindowShowsAFieldName()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        QVERIFY(QTest::qWaitForWindowActive(&main));

        QStringList opened;
        int checked = 0;
        const QStringList problems = Test::walkMenuWindows(
            main, [&](const Test::MenuWindow& w) { return rawTitles(w.window, checked); }, &opened);
        qInfo().noquote() << opened.join(u'\n');
        QVERIFY2(opened.size() >= 20, qPrintable(opened.join(u'\n')));
        // The register alone shows two dozen columns: the windows were really read.
        QVERIFY2(checked > 100, qPrintable(QString::number(checked)));
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
        main.mdiArea()->closeAllSubWindows();
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(ColumnTitlesTest)
#include "tst_columntitles.moc"
