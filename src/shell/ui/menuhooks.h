#pragma once

#include <QMap>
#include <QString>
#include <functional>

class QMenu;

namespace Tarvo::Shell {

// What later features plug into the main menu: the windows behind its items,
// the rights check, the display names of the registers, the report submenu
// and the refresh tick. Set before the main window opens its menus.
class MenuHooks
{
public:
    using Handler = std::function<void()>;

    // The window behind a menu item, by the item's key (its object name).
    // Items without a handler stay disabled.
    static void setHandler(const QString& itemKey, Handler handler);
    static Handler handler(const QString& itemKey);

    // Right number -> held by the current user. Until the rights catalog
    // exists every right is held.
    static void setRightsCheck(std::function<bool(int right)> check);
    static bool hasRight(int right);

    // Table name -> display name from the field caption dictionary ("" keeps the caption).
    static void setTableCaption(std::function<QString(const QString& table)> caption);
    static QString tableCaption(const QString& table);
    // Register captions from the field caption dictionary of the main connection.
    static void useCaptionDictionary();

    // Rebuilds the report submenu for a report group.
    static void setReportMenuFiller(std::function<void(QMenu* menu, int group)> filler);
    static void fillReportMenu(QMenu* menu, int group);

    // One tick of the refresh timer: deliver the collected change notices.
    static void setRefreshTick(std::function<void(int mode)> tick);
    static void refreshTick(int mode);

    static void clear();
};

} // namespace Tarvo::Shell
