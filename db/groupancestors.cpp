#include "db/groupancestors.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

// The statements of each event, written once; NEW/OLD name the group row on both engines.
const QString linkNew =
    u"insert into crm_groupsrel (groupid, ancestor) "
    "select NEW.pg_groupid, NEW.pg_parent where NEW.pg_parent is not null "
    "union all select NEW.pg_groupid, r.ancestor from crm_groupsrel r where r.groupid = NEW.pg_parent"_s;

// A cycle inserts the same pair twice: the table's own key refuses the statement.
const QString refuseCycle =
    u"insert into crm_groupsrel (groupid, ancestor) "
    "select NEW.pg_groupid, NEW.pg_groupid from (select 1 as n union all select 2) twice "
    "where NEW.pg_parent = NEW.pg_groupid or exists (select 1 from crm_groupsrel c "
    "where c.groupid = NEW.pg_parent and c.ancestor = NEW.pg_groupid)"_s;

// The moved group and its subtree lose the old ancestors of the group...
const QString unlinkSubtree =
    u"delete from crm_groupsrel where ancestor in (select a.ancestor from crm_groupsrel a where a.groupid = "
    u"OLD.pg_groupid) "
    "and (groupid = OLD.pg_groupid or groupid in (select d.groupid from crm_groupsrel d where d.ancestor = OLD.pg_groupid))"_s;

// ...and gain the new parent with its ancestors.
const QString linkSubtree =
    u"insert into crm_groupsrel (groupid, ancestor) "
    "select s.groupid, a.ancestor from "
    "(select NEW.pg_groupid as groupid union all select d.groupid from crm_groupsrel d where d.ancestor = "
    "NEW.pg_groupid) s, "
    "(select NEW.pg_parent as ancestor where NEW.pg_parent is not null "
    " union all select u.ancestor from crm_groupsrel u where u.groupid = NEW.pg_parent) a"_s;

const QString unlinkDeleted =
    u"delete from crm_groupsrel where groupid = OLD.pg_groupid or ancestor = OLD.pg_groupid"_s;

} // namespace

QStringList GroupAncestors::triggers(Engine engine)
{
    const QString moved = u"OLD.pg_parent is distinct from NEW.pg_parent"_s;
    if (engine == Engine::SQLite) {
        const QString movedSqlite = u"OLD.pg_parent is not NEW.pg_parent"_s;
        return {
            u"create trigger crm_productgroups_rel_ins after insert on crm_productgroups for each row begin %1; end"_s
                .arg(linkNew),
            u"create trigger crm_productgroups_rel_upd after update of pg_parent on crm_productgroups for "
            u"each row "
            "when %1 begin %2; %3; %4; end"_s.arg(movedSqlite, refuseCycle, unlinkSubtree, linkSubtree),
            u"create trigger crm_productgroups_rel_del after delete on crm_productgroups for each row begin %1; end"_s
                .arg(unlinkDeleted),
        };
    }
    const auto function = [](const QString& name, const QString& body, const QString& result) {
        return u"create function %1() returns trigger language plpgsql as $body$ begin %2; return %3; end $body$"_s
            .arg(name, body, result);
    };
    return {
        function(u"crm_productgroups_rel_ins"_s, linkNew, u"null"_s),
        u"create trigger crm_productgroups_rel_ins after insert on crm_productgroups for each row "
        "execute function crm_productgroups_rel_ins()"_s,
        function(u"crm_productgroups_rel_upd"_s,
                 refuseCycle + u"; "_s + unlinkSubtree + u"; "_s + linkSubtree, u"null"_s),
        u"create trigger crm_productgroups_rel_upd after update of pg_parent on crm_productgroups for each "
        u"row "
        "when (%1) execute function crm_productgroups_rel_upd()"_s.arg(moved),
        function(u"crm_productgroups_rel_del"_s, unlinkDeleted, u"null"_s),
        u"create trigger crm_productgroups_rel_del after delete on crm_productgroups for each row "
        "execute function crm_productgroups_rel_del()"_s,
    };
}

QStringList GroupAncestors::rebuild()
{
    // The depth bound only guards against a cycle left by an earlier version.
    return {
        u"delete from crm_groupsrel"_s,
        u"with recursive up (groupid, ancestor, depth) as ("
        " select pg_groupid, pg_parent, 1 from crm_productgroups where pg_parent is not null"
        " union all select up.groupid, g.pg_parent, up.depth + 1 from up"
        " join crm_productgroups g on g.pg_groupid = up.ancestor"
        " where g.pg_parent is not null and up.depth < 1000) "
        "insert into crm_groupsrel (groupid, ancestor) select distinct groupid, ancestor from up "
        "where groupid <> ancestor"_s,
    };
}

} // namespace Tarvo::Data
