#include "reports/reportcatalog.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"

#include <QHash>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

QVariant nullable(int id)
{
    return id > 0 ? QVariant(id) : QVariant(QMetaType::fromType<int>());
}

QString parentIs(const QString& column, int parent)
{
    return parent > 0 ? column + u" = :parent"_s : column + u" is null"_s;
}

QList<QVariantList> rows(Data::Database& db, const QString& sql, const QVariantMap& params = {})
{
    Data::Query q(db, sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        if (q.hasParameter(it.key()))
            q.bind(it.key(), it.value());
    q.exec();
    QList<QVariantList> out;
    const int n = q.columnCount();
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < n; ++i)
            r << q.value(i);
        out << r;
    }
    return out;
}

int changed(Data::Database& db, const QString& sql, const QVariantMap& params)
{
    Data::Query q(db, sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        if (q.hasParameter(it.key()))
            q.bind(it.key(), it.value());
    q.exec();
    return q.numRowsAffected();
}

QString trimmedName(const QString& name)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        throw Exception(u"Имя не может быть пустым."_s);
    if (n.size() > 100)
        throw Exception(u"Имя длиннее 100 знаков."_s);
    return n;
}

} // namespace

void ReportCatalog::inTransaction(const std::function<void()>& work)
{
    if (m_db.inTransaction()) {
        work();
        return;
    }
    Data::Transaction t(m_db);
    work();
    t.commit();
}

void ReportCatalog::requireChanged(int count, const QString& what)
{
    if (count == 0)
        throw Exception(what + u" не найден: его уже удалил другой администратор. Обновите окно."_s);
}

int ReportCatalog::newKey(const QString& table, const QString& column, const std::function<void(int)>& insert)
{
    int key = 0;
    inTransaction([&] {
        for (int attempt = 0;; ++attempt) {
            // Another administrator may take the same maximum meanwhile: his key wins, ours is taken again.
            Data::Savepoint sp(m_db);
            key = m_db.scalar(u"select coalesce(max(%1), 0) + 1 from %2"_s.arg(column, table)).toInt();
            try {
                insert(key);
                sp.release();
                return;
            } catch (const Data::DatabaseError& e) {
                if ((e.nativeError() != Data::NativeError::Constraint && e.nativeError() != Data::NativeError::UniqueIndex) ||
                    attempt >= 20)
                    throw;
            }
        }
    });
    return key;
}

// Folders

QList<ReportCatalog::Node> ReportCatalog::folders(int parent)
{
    QList<Node> out;
    for (const QVariantList& r :
         rows(m_db,
              u"select t.IDNODE, t.NMNODE, (select count(1) from FR_REPTREE t1 where t1.IDUPNODE = t.IDNODE) from "
              "FR_REPTREE t where t.IDTYPE = 1 and "_s +
                  parentIs(u"t.IDUPNODE"_s, parent) + u" order by t.NMNODE, t.IDNODE"_s,
              {{u"parent"_s, parent}}))
        out.append({r[0].toInt(), r[1].toString(), r[2].toInt() > 0});
    return out;
}

int ReportCatalog::createFolder(int parent)
{
    return newKey(u"FR_REPTREE"_s, u"IDNODE"_s, [&](int key) {
        m_db.exec(u"insert into FR_REPTREE (IDNODE, NMNODE, IDUPNODE, IDTYPE) values (?, ?, ?, 1)"_s,
                  {key, u"Новый узел"_s, nullable(parent)});
    });
}

void ReportCatalog::renameFolder(int id, const QString& name)
{
    requireChanged(changed(m_db, u"update FR_REPTREE set NMNODE = :name where IDNODE = :id"_s,
                           {{u"name"_s, trimmedName(name)}, {u"id"_s, id}}),
                   u"Узел"_s);
}

void ReportCatalog::deleteFolder(int id)
{
    try {
        inTransaction([&] {
            requireChanged(changed(m_db, u"delete from FR_REPTREE where IDNODE = :id"_s, {{u"id"_s, id}}), u"Узел"_s);
        });
    } catch (const Data::DatabaseError& e) {
        if (e.constraint().compare(u"FK_FR_REPTR_FRRT2UP_FR_REPTR"_s, Qt::CaseInsensitive) == 0)
            throw Exception(u"Невозможно удалить узел, в котором есть вложенные узлы"_s);
        if (e.constraint().compare(u"FK_FR_REPOR_FRR2RT_FR_REPTR"_s, Qt::CaseInsensitive) == 0)
            throw Exception(u"Невозможно удалить узел, в котором есть отчеты"_s);
        throw;
    }
}

void ReportCatalog::moveFolder(int id, int newParent)
{
    inTransaction([&] {
        // Walking up from the new parent must not meet the folder itself.
        QSet<int> seen;
        for (int at = newParent; at > 0;) {
            if (at == id)
                throw Exception(u"Нельзя переместить узел в него самого или во вложенный в него узел."_s);
            if (seen.contains(at))
                break;
            seen.insert(at);
            const QVariant up = m_db.scalar(u"select IDUPNODE from FR_REPTREE where IDNODE = ?"_s, {at});
            at = up.isNull() ? 0 : up.toInt();
        }
        requireChanged(changed(m_db, u"update FR_REPTREE set IDUPNODE = :parent where IDNODE = :id"_s,
                               {{u"parent"_s, nullable(newParent)}, {u"id"_s, id}}),
                       u"Узел"_s);
    });
}

// Reports

QList<ReportCatalog::Report> ReportCatalog::reports(int folder)
{
    QList<Report> out;
    for (const QVariantList& r : rows(m_db,
                                      u"select IDREPORT, NMREPORT from FR_REPORTS where "_s +
                                          parentIs(u"IDNODE"_s, folder) + u" order by NMREPORT, IDREPORT"_s,
                                      {{u"parent"_s, folder}}))
        out.append({r[0].toInt(), r[1].toString()});
    return out;
}

int ReportCatalog::createReport(int folder)
{
    return newKey(u"FR_REPORTS"_s, u"IDREPORT"_s, [&](int key) {
        m_db.exec(u"insert into FR_REPORTS (IDREPORT, NMREPORT, IDNODE) values (?, ?, ?)"_s,
                  {key, u"Новый отчет"_s, nullable(folder)});
    });
}

void ReportCatalog::renameReport(int id, const QString& name)
{
    requireChanged(changed(m_db, u"update FR_REPORTS set NMREPORT = :name where IDREPORT = :id"_s,
                           {{u"name"_s, trimmedName(name)}, {u"id"_s, id}}),
                   u"Отчет"_s);
}

void ReportCatalog::deleteReport(int id)
{
    try {
        inTransaction([&] {
            requireChanged(changed(m_db, u"delete from FR_REPORTS where IDREPORT = :id"_s, {{u"id"_s, id}}),
                           u"Отчет"_s);
        });
    } catch (const Data::DatabaseError& e) {
        if (e.constraint().compare(u"FK_FR_MENU_FRM2REP_FR_REPOR"_s, Qt::CaseInsensitive) == 0)
            throw Exception(u"Невозможно удалить отчет, который используется в меню"_s);
        throw;
    }
}

void ReportCatalog::moveReport(int id, int folder)
{
    requireChanged(changed(m_db, u"update FR_REPORTS set IDNODE = :folder where IDREPORT = :id"_s,
                           {{u"folder"_s, nullable(folder)}, {u"id"_s, id}}),
                   u"Отчет"_s);
}

QString ReportCatalog::reportName(int id)
{
    return m_db.scalar(u"select NMREPORT from FR_REPORTS where IDREPORT = ?"_s, {id}).toString();
}

QByteArray ReportCatalog::reportData(int id)
{
    const QVariant v = m_db.scalar(u"select REPDATA from FR_REPORTS where IDREPORT = ?"_s, {id});
    return v.isNull() ? QByteArray() : v.toByteArray();
}

void ReportCatalog::setReportData(int id, const QByteArray& data)
{
    requireChanged(changed(m_db, u"update FR_REPORTS set REPDATA = :data where IDREPORT = :id"_s,
                           {{u"data"_s, data}, {u"id"_s, id}}),
                   u"Отчет"_s);
}

QList<ReportCatalog::Place> ReportCatalog::places()
{
    QList<Place> out;
    for (const QVariantList& r : rows(m_db, u"select IDPLACE, NMPLACE from FR_CALLPLACE where IDPLACE >= 1001 and "
                                            "IDPLACE <= 2000 order by IDPLACE"_s))
        out.append({r[0].toInt(), r[1].toString()});
    return out;
}

// Menus

QList<ReportCatalog::MenuItem> ReportCatalog::menu(int place, int parent)
{
    QList<MenuItem> out;
    for (const QVariantList& r :
         rows(m_db,
              u"select m.IDITEM, m.NMITEM, m.IDREPORT, r.NMREPORT, (select count(1) from FR_MENU m1 where "
              "m1.IDUPITEM = m.IDITEM) from FR_MENU m left join FR_REPORTS r on r.IDREPORT = m.IDREPORT "
              "where m.IDPLACE = :place and "_s +
                  parentIs(u"m.IDUPITEM"_s, parent) + u" order by m.NUMORD, m.IDITEM"_s,
              {{u"place"_s, place}, {u"parent"_s, parent}}))
        out.append({r[0].toInt(), r[1].toString(), r[2].isNull() ? 0 : r[2].toInt(), r[3].toString(), r[4].toInt() > 0});
    return out;
}

ReportCatalog::MenuItem ReportCatalog::menuItem(int id)
{
    const QList<QVariantList> r =
        rows(m_db,
             u"select m.IDITEM, m.NMITEM, m.IDREPORT, r.NMREPORT, (select count(1) from FR_MENU m1 where "
             "m1.IDUPITEM = m.IDITEM), m.IDPLACE from FR_MENU m left join FR_REPORTS r on r.IDREPORT = m.IDREPORT "
             "where m.IDITEM = :id"_s,
             {{u"id"_s, id}});
    if (r.isEmpty())
        throw Exception(u"Пункт меню не найден: его уже удалил другой администратор. Обновите окно."_s);
    return {r[0][0].toInt(), r[0][1].toString(), r[0][2].isNull() ? 0 : r[0][2].toInt(), r[0][3].toString(),
            r[0][4].toInt() > 0};
}

int ReportCatalog::nextOrder(int place, int parent)
{
    return m_db
               .scalar(u"select coalesce(max(NUMORD), 0) + 1 from FR_MENU where IDPLACE = ? and coalesce(IDUPITEM, 0) = ?"_s,
                       {place, parent})
               .toInt();
}

int ReportCatalog::insertItem(int place, int parent, const QString& caption, int report)
{
    int key = 0;
    inTransaction([&] {
        const int order = nextOrder(place, parent);
        key = newKey(u"FR_MENU"_s, u"IDITEM"_s, [&](int k) {
            m_db.exec(u"insert into FR_MENU (IDITEM, NMITEM, IDUPITEM, IDPLACE, NUMORD, IDREPORT) values (?, ?, ?, ?, ?, ?)"_s,
                      {k, caption, nullable(parent), place, order, nullable(report)});
        });
    });
    return key;
}

int ReportCatalog::createSubmenu(int place, int parent)
{
    return insertItem(place, parent, u"Новое подменю"_s, 0);
}

int ReportCatalog::createSeparator(int place, int parent)
{
    return insertItem(place, parent, u"-"_s, 0);
}

int ReportCatalog::addReportItem(int place, int parent, int report)
{
    const QString name = reportName(report);
    if (name.isEmpty())
        throw Exception(u"Отчет не найден: его уже удалил другой администратор. Обновите окно."_s);
    return insertItem(place, parent, name, report);
}

int ReportCatalog::addFolderItems(int place, int parent, int folder)
{
    int top = 0;
    inTransaction([&] {
        QSet<int> seen;
        std::function<int(int, int)> add = [&](int under, int node) {
            const QString name = m_db.scalar(u"select NMNODE from FR_REPTREE where IDNODE = ?"_s, {node}).toString();
            const int sub = insertItem(place, under, name.isEmpty() ? u"Новое подменю"_s : name, 0);
            seen.insert(node);
            for (const Node& child : folders(node))
                if (!seen.contains(child.id))
                    add(sub, child.id);
            for (const Report& r : reports(node))
                insertItem(place, sub, r.name, r.id);
            return sub;
        };
        top = add(parent, folder);
    });
    return top;
}

void ReportCatalog::renameItem(int id, const QString& name)
{
    requireChanged(changed(m_db, u"update FR_MENU set NMITEM = :name where IDITEM = :id"_s,
                           {{u"name"_s, trimmedName(name)}, {u"id"_s, id}}),
                   u"Пункт меню"_s);
}

void ReportCatalog::deleteItem(int id)
{
    inTransaction([&] {
        // The whole subtree, deepest first, so no child is left pointing at a deleted parent.
        QList<int> order{id};
        for (int i = 0; i < order.size(); ++i)
            for (const QVariantList& r : rows(m_db, u"select IDITEM from FR_MENU where IDUPITEM = :id"_s,
                                              {{u"id"_s, order[i]}}))
                if (!order.contains(r[0].toInt()))
                    order << r[0].toInt();
        for (qsizetype i = order.size() - 1; i >= 0; --i) {
            m_db.exec(u"delete from FR_DENIED where IDITEM = ?"_s, {order[i]});
            const int n = changed(m_db, u"delete from FR_MENU where IDITEM = :id"_s, {{u"id"_s, order[i]}});
            if (i == 0)
                requireChanged(n, u"Пункт меню"_s);
        }
    });
}

void ReportCatalog::renumber(int place, int parent)
{
    int n = 0;
    for (const MenuItem& m : menu(place, parent))
        m_db.exec(u"update FR_MENU set NUMORD = ? where IDITEM = ?"_s, {++n, m.id});
}

bool ReportCatalog::moveItem(int id, int step)
{
    bool moved = false;
    inTransaction([&] {
        const QList<QVariantList> r =
            rows(m_db, u"select IDPLACE, IDUPITEM from FR_MENU where IDITEM = :id"_s, {{u"id"_s, id}});
        if (r.isEmpty())
            requireChanged(0, u"Пункт меню"_s);
        const int place = r[0][0].toInt();
        const int parent = r[0][1].isNull() ? 0 : r[0][1].toInt();
        QList<MenuItem> siblings = menu(place, parent);
        qsizetype at = -1;
        for (qsizetype i = 0; i < siblings.size(); ++i)
            if (siblings[i].id == id)
                at = i;
        const qsizetype to = at + (step < 0 ? -1 : 1);
        if (at < 0 || to < 0 || to >= siblings.size())
            return;
        siblings.swapItemsAt(at, to);
        int n = 0;
        for (const MenuItem& m : siblings)
            m_db.exec(u"update FR_MENU set NUMORD = ? where IDITEM = ?"_s, {++n, m.id});
        moved = true;
    });
    return moved;
}

QList<int> ReportCatalog::itemAncestry(int id)
{
    QList<int> out;
    for (int at = id; at > 0 && !out.contains(at);) {
        out << at;
        const QVariant up = m_db.scalar(u"select IDUPITEM from FR_MENU where IDITEM = ?"_s, {at});
        at = up.isNull() ? 0 : up.toInt();
    }
    return out;
}

void ReportCatalog::reparentItem(int id, int newParent)
{
    inTransaction([&] {
        const MenuItem item = menuItem(id);
        const int place = m_db.scalar(u"select IDPLACE from FR_MENU where IDITEM = ?"_s, {id}).toInt();
        if (newParent > 0) {
            if (itemAncestry(newParent).contains(id))
                throw Exception(u"Нельзя переместить подменю в него самого или во вложенное в него подменю."_s);
            const MenuItem target = menuItem(newParent);
            if (target.report > 0 || target.isSeparator())
                throw Exception(u"Переместить можно только в подменю."_s);
            if (m_db.scalar(u"select IDPLACE from FR_MENU where IDITEM = ?"_s, {newParent}).toInt() != place)
                throw Exception(u"Пункт можно переместить только внутри меню своего места вызова."_s);
        }
        Q_UNUSED(item);
        const QVariant oldParent = m_db.scalar(u"select IDUPITEM from FR_MENU where IDITEM = ?"_s, {id});
        m_db.exec(u"update FR_MENU set IDUPITEM = ?, NUMORD = ? where IDITEM = ?"_s,
                  {nullable(newParent), nextOrder(place, newParent), id});
        renumber(place, oldParent.isNull() ? 0 : oldParent.toInt());
    });
}

void ReportCatalog::copyMenu(int fromPlace, int toPlace)
{
    if (fromPlace == toPlace)
        throw Exception(u"Нельзя скопировать меню из текущего места вызова"_s);
    inTransaction([&] {
        QHash<int, int> mapped; // source item -> its copy
        std::function<void(int, int)> copy = [&](int sourceParent, int targetParent) {
            for (const MenuItem& m : menu(fromPlace, sourceParent)) {
                if (mapped.contains(m.id))
                    continue;
                const int copyId = insertItem(toPlace, targetParent, m.caption, m.report);
                mapped.insert(m.id, copyId);
                m_db.exec(u"insert into FR_DENIED (IDITEM, GROUP_ID) select ?, GROUP_ID from FR_DENIED where IDITEM = ?"_s,
                          {copyId, m.id});
                copy(m.id, copyId);
            }
        };
        copy(0, 0);
    });
}

} // namespace Tarvo::Reports
