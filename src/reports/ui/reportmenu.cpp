#include "reports/ui/reportmenu.h"

#include "data/engine/database.h"
#include "reports/reportmenusource.h"
#include "reports/ui/tfrmenuitem.h"
#include "shell/tdatabaseconnection.h"

#include <QMenu>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

const char* const ReportMenu::NoReportsText = "Отсутствуют доступные отчеты";

namespace {

const char* const Ours = "tarvoReportMenu";

QAction* tagged(QAction* a)
{
    a->setProperty(Ours, true);
    return a;
}

// Separators at the ends of a level or next to each other would stand for items the user lacks.
void tidySeparators(QList<QAction*>& actions)
{
    QList<QAction*> kept;
    for (QAction* a : actions) {
        if (a->isSeparator() && (kept.isEmpty() || kept.last()->isSeparator())) {
            delete a;
            continue;
        }
        kept << a;
    }
    while (!kept.isEmpty() && kept.last()->isSeparator())
        delete kept.takeLast();
    actions = kept;
}

// The actions of one level (parent 0: the top); counts the reports placed.
QList<QAction*> buildLevel(Data::Database& db, int place, int parent, int user, QMenu* owner,
                           const ReportMenu::Handler& handler, int& reports, QSet<int>& seen)
{
    QList<QAction*> out;
    for (const ReportMenuSource::Entry& e : ReportMenuSource::level(db, place, parent, user)) {
        if (seen.contains(e.item))
            continue; // a loop of parents left by older data
        seen.insert(e.item);
        if (e.isSeparator()) {
            auto* s = new QAction(owner);
            s->setSeparator(true);
            out << tagged(s);
        } else if (e.report > 0) {
            auto* a = new TFRMenuItem(e.caption, e.report, owner);
            const int report = e.report;
            QObject::connect(a, &QAction::triggered, owner, [handler, report] { handler(report); });
            out << tagged(a);
            ++reports;
        } else {
            int inside = 0;
            auto* sub = new QMenu(e.caption, owner);
            sub->setObjectName(u"menuReportItem%1"_s.arg(e.item));
            QList<QAction*> children = buildLevel(db, place, e.item, user, sub, handler, inside, seen);
            tidySeparators(children);
            if (inside == 0) {
                qDeleteAll(children);
                delete sub;
                continue;
            }
            sub->addActions(children);
            reports += inside;
            out << tagged(sub->menuAction());
        }
    }
    return out;
}

} // namespace

int ReportMenu::attach(int place, QMenu* menu, const Handler& handler)
{
    for (QAction* a : menu->actions())
        if (a->property(Ours).toBool()) {
            menu->removeAction(a);
            if (QMenu* sub = a->menu())
                sub->deleteLater();
            else
                a->deleteLater();
        }
    const bool hasOwn = !menu->actions().isEmpty();

    int reports = 0;
    QList<QAction*> items;
    // The main window builds its menus before the login: no connection, no reports yet.
    Data::Database* db = nullptr;
    try {
        db = Data::Database::main();
    } catch (const Exception&) {
    }
    if (db && ReportMenuSource::available(*db)) {
        QSet<int> seen;
        items = buildLevel(*db, place, 0, Shell::TDataBaseConnection::instance().currentUserId(), menu, handler,
                           reports, seen);
        tidySeparators(items);
    }
    if (reports == 0) {
        qDeleteAll(items);
        QAction* none = tagged(new QAction(QString::fromUtf8(NoReportsText), menu));
        none->setObjectName(u"actNoReports"_s);
        none->setEnabled(false);
        if (hasOwn) {
            auto* s = new QAction(menu);
            s->setSeparator(true);
            menu->addAction(tagged(s));
        }
        menu->addAction(none);
        return 0;
    }
    if (hasOwn) {
        auto* s = new QAction(menu);
        s->setSeparator(true);
        menu->addAction(tagged(s));
    }
    menu->addActions(items);
    return reports;
}

} // namespace Tarvo::Reports
