#include "shell/ui/menuhooks.h"

#include "data/modules/tdatatablefieldmap.h"
#include "core/exception.h"

namespace Tarvo::Shell {

namespace {
struct Hooks
{
    QMap<QString, MenuHooks::Handler> handlers;
    std::function<bool(int)> rights;
    std::function<QString(const QString&)> caption;
    std::function<void(QMenu*, int)> reports;
    std::function<void(int)> tick;
};

Hooks& hooks()
{
    static Hooks h;
    return h;
}
} // namespace

void MenuHooks::setHandler(const QString& itemKey, Handler handler)
{
    hooks().handlers.insert(itemKey, std::move(handler));
}

MenuHooks::Handler MenuHooks::handler(const QString& itemKey)
{
    return hooks().handlers.value(itemKey);
}

void MenuHooks::setRightsCheck(std::function<bool(int)> check)
{
    hooks().rights = std::move(check);
}

bool MenuHooks::hasRight(int right)
{
    return !hooks().rights || hooks().rights(right);
}

void MenuHooks::setTableCaption(std::function<QString(const QString&)> caption)
{
    hooks().caption = std::move(caption);
}

QString MenuHooks::tableCaption(const QString& table)
{
    return hooks().caption ? hooks().caption(table) : QString();
}

void MenuHooks::setReportMenuFiller(std::function<void(QMenu*, int)> filler)
{
    hooks().reports = std::move(filler);
}

void MenuHooks::fillReportMenu(QMenu* menu, int group)
{
    if (hooks().reports)
        hooks().reports(menu, group);
}

void MenuHooks::setRefreshTick(std::function<void(int)> tick)
{
    hooks().tick = std::move(tick);
}

void MenuHooks::refreshTick(int mode)
{
    if (hooks().tick)
        hooks().tick(mode);
}

void MenuHooks::useCaptionDictionary()
{
    setTableCaption([](const QString& table) {
        try {
            const Data::TableInfo* info = Data::TDataTableFieldMap::instance().findTable(table);
            return info ? info->displayName() : QString();
        } catch (const Exception&) {
            return QString(); // no connection yet: the menu keeps its own captions
        }
    });
}

void MenuHooks::clear()
{
    hooks() = Hooks();
}

} // namespace Tarvo::Shell
