#include "catalog/catalogfixture.h"
#include "catalog/tree/grouptreeprocedure.h"
#include "catalog/tree/productgroups.h"
#include "catalog/tree/productlistquery.h"
#include "catalog/tree/scmnodes.h"
#include "catalog/tree/tscmtreeowner.h"
#include "core/exception.h"
#include "data/engine/query.h"
#include "catalog/boxanswers.h"
#include "catalog/ui/tfcatalog.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/tproductsview.h"
#include "shell/ui/tarvoapplication.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/typetext.h"

#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

using Pairs = QSet<QPair<qint64, qint64>>;

// Every (group, proper ancestor) pair worked out from the parent links.
Pairs closure(Data::Database& db)
{
    QHash<qint64, qint64> parent;
    Data::Query q(db, u"select pg_groupid, pg_parent from crm_productgroups"_s);
    q.exec();
    while (q.next())
        parent.insert(q.integer(0), q.isNull(1) ? 0 : q.integer(1));
    Pairs r;
    for (auto it = parent.cbegin(); it != parent.cend(); ++it)
        for (qint64 a = it.value(); a != 0; a = parent.value(a))
            r.insert({it.key(), a});
    return r;
}

Pairs ancestors(Data::Database& db)
{
    Pairs r;
    Data::Query q(db, u"select groupid, ancestor from crm_groupsrel"_s);
    q.exec();
    while (q.next())
        r.insert({q.integer(0), q.integer(1)});
    return r;
}

qint64 count(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toLongLong();
}

// Hands the tree the product being dragged, as a product list would.
struct Owner : TSCMTreeOwner
{
    std::optional<qint64> fromGroup;
    QList<qint64> products;
    QList<QPair<qint64, bool>> selected;
    void selectNode(qint64 id, bool flag) override { selected.append({id, flag}); }
    std::optional<qint64> draggedProductGroup() const override { return fromGroup; }
    QList<qint64> draggedProducts() const override { return products; }
};

// Opens the panel and returns its three nodes.
QList<TNodeItem*> openPanel(TSCMTreePanel& panel, QStringList* captions)
{
    QList<TNodeItem*> r;
    panel.openChildren();
    while (!panel.eof()) {
        QString c;
        r << panel.nextChild(&c);
        *captions << c;
    }
    return r;
}

} // namespace

class GroupTreeTest : public QObject
{
    Q_OBJECT
private slots:
    void ancestorTableFollowsMovesAndDeletes()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const ProductGroups groups(db);
        const qint64 a = groups.create(u"А"_s, std::nullopt);
        const qint64 b = groups.create(u"Б"_s, a);
        const qint64 c = groups.create(u"В"_s, b);
        const qint64 d = groups.create(u"Г"_s, std::nullopt);
        const qint64 e = groups.create(u"Д"_s, d);
        QCOMPARE(ancestors(db), closure(db));

        groups.move(b, d); // a subtree under another root
        QCOMPARE(ancestors(db), closure(db));
        groups.move(d, std::nullopt);
        groups.move(c, std::nullopt); // to the top level
        QCOMPARE(ancestors(db), closure(db));
        groups.move(a, e);
        QCOMPARE(ancestors(db), closure(db));

        // Under its own descendant: the database refuses, whatever the client thought.
        try {
            groups.move(d, e);
            QFAIL("a group moved under its own descendant");
        } catch (const Exception& x) {
            QCOMPARE(x.message(), ProductGroups::MoveRefused);
        }
        QCOMPARE(ancestors(db), closure(db));

        groups.remove(c);
        f.product(u"P1"_s, u"Товар"_s, a);
        groups.removeTree(d);
        QCOMPARE(count(db, u"select count(*) from crm_productgroups"_s), 0);
        QCOMPARE(ancestors(db), closure(db));
    }

    void subgroupsListTheirProducts()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 root = f.group(u"Корень"_s);
        const qint64 child = f.group(u"Ветка"_s, root);
        const qint64 leaf = f.group(u"Лист"_s, child);
        f.product(u"R"_s, u"в корне"_s, root);
        f.product(u"L"_s, u"в листе"_s, leaf);
        f.product(u"N"_s, u"без группы"_s, std::nullopt);
        const auto rows = [&db](qint64 node, bool sub) {
            const ProductListQuery q = ProductListQuery::forNode(node, sub);
            Data::Query query(db, q.sql);
            query.bindAll(q.params).exec();
            QStringList r;
            while (query.next())
                r << query.value(u"PR_ARTICUL"_s).toString();
            r.sort();
            return r;
        };
        QCOMPARE(rows(root, false), QStringList{u"R"_s});
        QCOMPARE(rows(root, true), (QStringList{u"L"_s, u"R"_s}));
        QCOMPARE(rows(child, true), QStringList{u"L"_s});
        QCOMPARE(rows(WithoutGroup, false), QStringList{u"N"_s});
        QCOMPARE(rows(WithGroups, false), (QStringList{u"L"_s, u"R"_s}));
        QCOMPARE(rows(AllProducts, false).size(), 3);
    }

    void deletingAGroupInUseIsRefusedWithItsMessage()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const ProductGroups groups(db);
        const qint64 parent = f.group(u"Родитель"_s);
        const qint64 child = f.group(u"Дочерняя"_s, parent);
        f.product(u"A1"_s, u"Товар"_s, child);
        try {
            groups.remove(parent);
            QFAIL("deleted a group with subgroups");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), ProductGroups::HasSubgroups);
        }
        try {
            groups.remove(child);
            QFAIL("deleted a group with products");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), ProductGroups::HasProducts);
        }
        QCOMPARE(count(db, u"select count(*) from crm_productgroups"_s), 2);
    }

    void deletingATreeTakesProductsUnlessADocumentUsesOne()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const ProductGroups groups(db);
        const qint64 root = f.group(u"Корень"_s);
        const qint64 child = f.group(u"Ветка"_s, root);
        const qint64 leaf = f.group(u"Лист"_s, child);
        const qint64 other = f.group(u"Другая"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Свободный"_s, leaf);
        const qint64 p2 = f.product(u"A2"_s, u"Заказанный"_s, child);
        f.product(u"B1"_s, u"Чужой"_s, other);
        db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 10)"_s, {p1});
        const qint64 buyer = f.partner(u"BUYER"_s, u"Покупатель"_s, u"К"_s);
        const qint64 offer = f.request(buyer);
        db.exec(u"insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id) values (?, ?)"_s, {offer, p2});

        try {
            groups.removeTree(root);
            QFAIL("deleted products used in a document");
        } catch (const Exception& e) {
            QVERIFY2(e.message().startsWith(u"Товары используются в документах. Удаление невозможно\r\n("_s),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(u"Заказанный"_s), qPrintable(e.message()));
        }
        QCOMPARE(count(db, u"select count(*) from crm_productgroups"_s), 4);
        QCOMPARE(count(db, u"select count(*) from crm_ourprice"_s), 1);

        db.exec(u"delete from scm_bp_delivery"_s);
        groups.removeTree(root);
        QCOMPARE(count(db, u"select count(*) from crm_productgroups"_s), 1);
        QCOMPARE(count(db, u"select count(*) from crm_product"_s), 1);
        QCOMPARE(count(db, u"select count(*) from crm_ourprice"_s), 0);
        QVERIFY(!db.inTransaction());
    }

    void nodesAcceptWhatTheRulesAllow()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 g1 = f.group(u"Первая"_s);
        f.group(u"Вторая"_s);
        const qint64 sub = f.group(u"Подгруппа"_s, g1);
        const qint64 p = f.product(u"A1"_s, u"Товар"_s, sub);
        Owner owner;
        TSCMTreePanel panel(db, &owner);
        QStringList captions;
        const QList<TNodeItem*> top = openPanel(panel, &captions);
        QCOMPARE(captions, (QStringList{u"Все без групп"_s, u"Все с группами"_s, u"Все"_s}));
        auto* withGroups = static_cast<TSCMRootNode*>(top[1]);
        withGroups->openChildren();
        QString c;
        auto* first = static_cast<TSCMTreeNode*>(withGroups->nextChild(&c));
        QCOMPARE(c, u"Вторая"_s); // by name
        auto* second = static_cast<TSCMTreeNode*>(withGroups->nextChild(&c));
        QCOMPARE(c, u"Первая"_s);
        QVERIFY(withGroups->eof());
        QVERIFY(second->hasChildren());
        QVERIFY(!first->hasChildren());
        second->openChildren();
        auto* subNode = static_cast<TSCMTreeNode*>(second->nextChild(&c));

        // Groups: not onto itself or below itself; the special nodes take no groups.
        QVERIFY(!second->canAcceptNode(second));
        QVERIFY(!subNode->canAcceptNode(second));
        QVERIFY(first->canAcceptNode(second));
        QVERIFY(!top[0]->canAcceptNode(second));
        QVERIFY(!top[2]->canAcceptNode(second));
        QVERIFY(withGroups->canAcceptNode(subNode));
        QVERIFY(!withGroups->canAcceptNode(second)); // already at the top

        withGroups->acceptChild(subNode);
        QVERIFY(db.scalar(u"select pg_parent from crm_productgroups where pg_groupid = ?"_s, {sub}).isNull());
        QCOMPARE(subNode->parentItem(), withGroups);

        // Products: not onto "Все" or "Все с группами", nor onto their own group.
        owner.fromGroup = sub;
        owner.products = {p};
        QVERIFY(!top[2]->canAcceptDrop());
        QVERIFY(!withGroups->canAcceptDrop());
        QVERIFY(!subNode->canAcceptDrop());
        QVERIFY(top[0]->canAcceptDrop());
        top[0]->acceptDrop();
        QVERIFY(db.scalar(u"select PR_GROUPID from crm_product where PR_ID = ?"_s, {p}).isNull());
        owner.fromGroup = qint64(WithoutGroup);
        QVERIFY(first->canAcceptDrop());
        first->acceptDrop();
        QCOMPARE(db.scalar(u"select PR_GROUPID from crm_product where PR_ID = ?"_s, {p}).toLongLong(),
                 first->nodeId());

        // The special nodes keep their names and cannot be deleted.
        QVERIFY_THROWS_EXCEPTION(Abort, top[2]->rename(u"Другое"_s));
        QVERIFY_THROWS_EXCEPTION(Abort, top[0]->remove());
        second->select(true);
        QCOMPARE(owner.selected.last(), qMakePair(second->nodeId(), true));
    }

    // The caption editor of the catalog window: a name the database refuses (too long) is reported
    // once the editor has closed, and the group keeps its name.
    void refusedRenameClosesTheEditorAndKeepsTheName()
    {
        QTemporaryDir home;
        Test::isolateUserFolders(home.path());
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 tools = f.group(u"Инструмент"_s);
        TfCatalog w(db, new TProductsView(db), TSCMTreePanel::DeleteMode::GroupOnly);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTreeWidget* tree = w.tree();
        QTreeWidgetItem* groups = tree->topLevelItem(1);
        QTreeWidgetItem* node = groups->child(0);
        QCOMPARE(node->text(0), u"Инструмент"_s);
        tree->setFocus();
        tree->setCurrentItem(node);

        const auto editor = [tree] {
            for (QLineEdit* e : tree->findChildren<QLineEdit*>())
                if (e->isVisible())
                    return e;
            return static_cast<QLineEdit*>(nullptr);
        };
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(editor());
        editor()->selectAll();
        Test::typeText(editor(), QString(31, u'Щ'));
        Test::BoxAnswers boxes({QMessageBox::Ok});
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_COMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().contains(u"30"_s), qPrintable(boxes.texts.first()));
        QTRY_VERIFY(!editor());
        QCOMPARE(node->text(0), u"Инструмент"_s);
        QCOMPARE(db.scalar(u"select pg_groupname from crm_productgroups where pg_groupid = ?"_s, {tools}).toString(),
                 u"Инструмент"_s);

        // The keys go to the tree again: a new edit starts from the kept name, Esc leaves it.
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(editor());
        QCOMPARE(editor()->text(), u"Инструмент"_s);
        QTest::keyClick(editor(), Qt::Key_Escape);
        QTRY_VERIFY(!editor());
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(editor());
        editor()->selectAll();
        Test::typeText(editor(), u"Инструмент ручной"_s);
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_VERIFY(!editor());
        QCOMPARE(db.scalar(u"select pg_groupname from crm_productgroups where pg_groupid = ?"_s, {tools}).toString(),
                 u"Инструмент ручной"_s);
        QVERIFY(boxes.texts.size() == 1);
    }
};

// The application's general handler reports what the windows refuse.
int main(int argc, char** argv)
{
    Shell::TarvoApplication app(argc, argv);
    GroupTreeTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_grouptree.moc"
