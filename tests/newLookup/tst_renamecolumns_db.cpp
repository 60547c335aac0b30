#include "data/engine/database.h"
#include "data/modules/tdatatablefieldmap.h"
#include "newLookup/ui/trenamecolumns.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/typetext.h"
#include "support/widgetdriver.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::NewLookup;

class RenameColumns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void columnsAreRenamedAndReorderedWithinTheirTable()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        TRenameColumns dialog(db);
        QTreeWidget* tree = dialog.tree();
        QVERIFY(tree->topLevelItemCount() >= 2);
        QTreeWidgetItem* first = tree->topLevelItem(0);
        QTreeWidgetItem* second = tree->topLevelItem(1);
        QVERIFY(first->childCount() >= 2);
        const QString table = first->data(0, Qt::UserRole).toString();
        const QString a = first->child(0)->data(0, Qt::UserRole + 1).toString();
        const QString b = first->child(1)->data(0, Qt::UserRole + 1).toString();

        tree->setCurrentItem(first->child(0));
        dialog.nameEdit()->clear();
        dialog.nameEdit()->insert(QStringLiteral("Код\tтовара")); // pasted from a spreadsheet cell
        // Across tables nothing moves; within the table the column goes to the other's place.
        QVERIFY(!dialog.moveColumn(first->child(0), second->child(0)));
        QVERIFY(dialog.moveColumn(first->child(0), first->child(1)));
        QCOMPARE(first->child(1)->data(0, Qt::UserRole + 1).toString(), a);
        Test::clickButton(&dialog, QStringLiteral("Сохранить"));

        const Data::TDataTableFieldMap saved = Data::TDataTableFieldMap::load(db);
        const Data::TableInfo* info = saved.findTable(table);
        QVERIFY(info);
        QCOMPARE(info->fields.at(0).phisName, b);
        QCOMPARE(info->fields.at(1).phisName, a);
        QCOMPARE(info->fields.at(1).displayName, QStringLiteral("Код товара"));
        QCOMPARE(info->fields.at(1).displayIndex, 1);
        Data::Database::setMain(nullptr);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(RenameColumns)
#include "tst_renamecolumns_db.moc"
