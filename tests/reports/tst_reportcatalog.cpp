#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "reports/reportcatalog.h"
#include "support/testdatabase.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace Tarvo;
using namespace Tarvo::Reports;
using namespace Qt::Literals::StringLiterals;

namespace {

QString refusal(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

QStringList names(const QList<ReportCatalog::MenuItem>& items)
{
    QStringList out;
    for (const auto& m : items)
        out << m.caption;
    return out;
}

} // namespace

class ReportCatalogTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<ReportCatalog> m_c;

    Data::Database& db() { return m_t->db(); }
    qint64 count(const QString& sql, const QVariantList& p = {}) { return db().scalar(sql, p).toLongLong(); }

private slots:
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        m_c = std::make_unique<ReportCatalog>(db());
    }
    void cleanup()
    {
        m_c.reset();
        m_t.reset();
    }

    void namesAreBoundAndDeletesRefusedInWords()
    {
        const int top = m_c->createFolder(0);
        m_c->renameFolder(top, u"Отчет 'Итоги'"_s);
        const int sub = m_c->createFolder(top);
        const int report = m_c->createReport(sub);
        m_c->renameReport(report, u"Итоги \"года\"; drop table FR_MENU"_s);
        QCOMPARE(m_c->reportName(report), u"Итоги \"года\"; drop table FR_MENU"_s);
        const auto tops = m_c->folders(0);
        const auto it = std::find_if(tops.begin(), tops.end(), [&](const auto& n) { return n.id == top; });
        QVERIFY(it != tops.end());
        QCOMPARE(it->name, u"Отчет 'Итоги'"_s);
        QVERIFY(it->hasChildren);

        QCOMPARE(refusal([&] { m_c->deleteFolder(top); }), u"Невозможно удалить узел, в котором есть вложенные узлы"_s);
        QCOMPARE(refusal([&] { m_c->deleteFolder(sub); }), u"Невозможно удалить узел, в котором есть отчеты"_s);
        m_c->addReportItem(1002, 0, report);
        QCOMPARE(refusal([&] { m_c->deleteReport(report); }), u"Невозможно удалить отчет, который используется в меню"_s);
        QCOMPARE(m_c->reports(sub).size(), 1);
        QCOMPARE(m_c->folders(top).size(), 1);
        // Gone meanwhile: said so, never "done".
        QVERIFY(refusal([&] { m_c->renameFolder(9999, u"x"_s); }).contains(u"не найден"_s));
        QVERIFY(!refusal([&] { m_c->renameFolder(top, u"  "_s); }).isEmpty());
    }

    void foldersNeverMoveIntoTheirOwnDescendants()
    {
        const int a = m_c->createFolder(0);
        const int b = m_c->createFolder(a);
        const int c = m_c->createFolder(b);
        QVERIFY(!refusal([&] { m_c->moveFolder(a, c); }).isEmpty());
        QVERIFY(!refusal([&] { m_c->moveFolder(a, a); }).isEmpty());
        m_c->moveFolder(c, 0);
        QCOMPARE(count(u"select count(*) from FR_REPTREE where IDNODE = ? and IDUPNODE is null"_s, {c}), 1);
    }

    void submenusGoWithTheirWholeSubtree()
    {
        const int report = m_c->createReport(0);
        const int s1 = m_c->createSubmenu(1003, 0);
        const int s2 = m_c->createSubmenu(1003, s1);
        const int s3 = m_c->createSubmenu(1003, s2);
        const int leaf = m_c->addReportItem(1003, s3, report);
        m_c->addReportItem(1003, s1, report);
        const int keep = m_c->addReportItem(1003, 0, report);
        db().exec(u"insert into CRM_USERS (US_LOGIN, US_NAME) values ('u1', 'Первый')"_s);
        const int user = db().scalar(u"select US_ID from CRM_USERS where US_LOGIN = 'u1'"_s).toInt();
        db().exec(u"insert into FR_DENIED (GROUP_ID, IDITEM) values (?, ?)"_s, {user, leaf});
        m_c->deleteItem(s1);
        QCOMPARE(names(m_c->menu(1003, 0)), QStringList{m_c->reportName(report)});
        QCOMPARE(m_c->menu(1003, 0).first().id, keep);
        QCOMPARE(count(u"select count(*) from FR_MENU where IDPLACE = 1003"_s), 1);
        QCOMPARE(count(u"select count(*) from FR_DENIED"_s), 0);
    }

    void siblingsOfEqualOrderPassEachOther()
    {
        for (int i = 1; i <= 3; ++i)
            db().exec(u"insert into FR_MENU (IDITEM, NMITEM, IDPLACE, NUMORD) values (?, ?, 1004, 0)"_s,
                      {100 + i, u"П%1"_s.arg(i)});
        QCOMPARE(names(m_c->menu(1004, 0)), (QStringList{u"П1"_s, u"П2"_s, u"П3"_s}));
        QVERIFY(m_c->moveItem(103, -1));
        QCOMPARE(names(m_c->menu(1004, 0)), (QStringList{u"П1"_s, u"П3"_s, u"П2"_s}));
        QVERIFY(m_c->moveItem(101, +1));
        QCOMPARE(names(m_c->menu(1004, 0)), (QStringList{u"П3"_s, u"П1"_s, u"П2"_s}));
        // The first up and the last down change nothing.
        QVERIFY(!m_c->moveItem(103, -1));
        QVERIFY(!m_c->moveItem(102, +1));
        QCOMPARE(names(m_c->menu(1004, 0)), (QStringList{u"П3"_s, u"П1"_s, u"П2"_s}));
    }

    void menuItemsNeverMoveIntoTheirOwnSubtree()
    {
        const int s1 = m_c->createSubmenu(1005, 0);
        const int s2 = m_c->createSubmenu(1005, s1);
        const int other = m_c->createSubmenu(1005, 0);
        QVERIFY(!refusal([&] { m_c->reparentItem(s1, s2); }).isEmpty());
        QVERIFY(!refusal([&] { m_c->reparentItem(s1, s1); }).isEmpty());
        QCOMPARE(m_c->menu(1005, 0).size(), 2);
        m_c->reparentItem(s2, other);
        QCOMPARE(m_c->menu(1005, other).first().id, s2);
        QVERIFY(!m_c->menuItem(s1).hasChildren);
    }

    void copyRemapsParentsAppendsAndCopiesDenials()
    {
        const int report = m_c->createReport(0);
        m_c->renameReport(report, u"Отчет"_s);
        const int own = m_c->addReportItem(1007, 0, report);
        const int sub = m_c->createSubmenu(1006, 0);
        const int inner = m_c->addReportItem(1006, sub, report);
        m_c->createSeparator(1006, 0);
        db().exec(u"insert into CRM_USERS (US_LOGIN, US_NAME) values ('u2', 'Второй')"_s);
        const int user = db().scalar(u"select US_ID from CRM_USERS where US_LOGIN = 'u2'"_s).toInt();
        db().exec(u"insert into FR_DENIED (GROUP_ID, IDITEM) values (?, ?)"_s, {user, inner});

        QCOMPARE(refusal([&] { m_c->copyMenu(1007, 1007); }), u"Нельзя скопировать меню из текущего места вызова"_s);
        m_c->copyMenu(1006, 1007);
        const QList<ReportCatalog::MenuItem> top = m_c->menu(1007, 0);
        QCOMPARE(names(top), (QStringList{u"Отчет"_s, u"Новое подменю"_s, u"-"_s}));
        QCOMPARE(top.first().id, own);
        const QList<ReportCatalog::MenuItem> copied = m_c->menu(1007, top[1].id);
        QCOMPARE(copied.size(), 1);
        QVERIFY(copied.first().id != inner);
        QCOMPARE(count(u"select count(*) from FR_DENIED where IDITEM = ? and GROUP_ID = ?"_s, {copied.first().id, user}), 1);
        // The source keeps its own items.
        QCOMPARE(m_c->menu(1006, sub).first().id, inner);
    }

    void aFolderBecomesASubmenu()
    {
        const int f = m_c->createFolder(0);
        m_c->renameFolder(f, u"Склад"_s);
        const int g = m_c->createFolder(f);
        m_c->renameFolder(g, u"Остатки"_s);
        const int r1 = m_c->createReport(f);
        const int r2 = m_c->createReport(g);
        m_c->renameReport(r2, u"По складам"_s);
        const int top = m_c->addFolderItems(1008, 0, f);
        QCOMPARE(m_c->menuItem(top).caption, u"Склад"_s);
        const auto inside = m_c->menu(1008, top);
        QCOMPARE(names(inside), (QStringList{u"Остатки"_s, u"Новый отчет"_s}));
        QCOMPARE(inside[1].report, r1);
        QCOMPARE(m_c->menu(1008, inside[0].id).first().report, r2);
    }

    void twoAdministratorsTakeDifferentKeys()
    {
        if (Test::TestDatabase::engine() != Data::Engine::PostgreSQL)
            QSKIP("SQLite lets one writer in at a time");
        const int before = db().scalar(u"select coalesce(max(IDNODE), 0) from FR_REPTREE"_s).toInt();
        // The other administrator's folder takes the next key first and commits while ours waits for it.
        std::atomic<bool> inserted{false};
        std::atomic<bool> failed{false};
        const Data::ConnectionSettings settings = m_t->settings();
        std::thread other([&] {
            try {
                Data::Database o(settings);
                o.open();
                o.beginTransaction();
                o.exec(u"insert into FR_REPTREE (IDNODE, NMNODE, IDTYPE) values (?, 'Чужой', 1)"_s, {before + 1});
                inserted = true;
                while (o.scalar(u"select count(*) from pg_stat_activity where datname = current_database() and "
                                "wait_event_type = 'Lock'"_s)
                           .toInt() == 0)
                    std::this_thread::yield();
                o.commit();
            } catch (...) {
                failed = true;
                inserted = true;
            }
        });
        while (!inserted)
            std::this_thread::yield();
        db().beginTransaction();
        const int ours = m_c->createFolder(0);
        db().commit();
        other.join();
        QVERIFY(!failed);
        QCOMPARE(ours, before + 2);
        QCOMPARE(count(u"select count(*) from FR_REPTREE where IDNODE in (?, ?)"_s, {before + 1, before + 2}), 2);
    }
};

QTEST_MAIN(ReportCatalogTest)
#include "tst_reportcatalog.moc"
