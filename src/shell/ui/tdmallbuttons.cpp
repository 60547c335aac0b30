#include "shell/ui/tdmallbuttons.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

namespace Tarvo::Shell {

QIcon TdmAllButtons::icon(Action action)
{
    struct Source
    {
        const char* theme;
        QStyle::StandardPixmap fallback;
    };
    static const QHash<int, Source> sources{
        {New, {"document-new", QStyle::SP_FileIcon}},
        {Open, {"document-open", QStyle::SP_DialogOpenButton}},
        {Edit, {"document-edit", QStyle::SP_FileDialogDetailedView}},
        {Delete, {"edit-delete", QStyle::SP_TrashIcon}},
        {Save, {"document-save", QStyle::SP_DialogSaveButton}},
        {Cancel, {"dialog-cancel", QStyle::SP_DialogCancelButton}},
        {Refresh, {"view-refresh", QStyle::SP_BrowserReload}},
        {Print, {"document-print", QStyle::SP_FileDialogContentsView}},
        {Find, {"edit-find", QStyle::SP_FileDialogContentsView}},
        {Filter, {"view-filter", QStyle::SP_FileDialogListView}},
        {Export, {"document-export", QStyle::SP_DialogSaveButton}},
        {Close, {"window-close", QStyle::SP_DialogCloseButton}},
        {Help, {"help-contents", QStyle::SP_DialogHelpButton}},
    };
    static QHash<int, QIcon> cache;
    auto it = cache.constFind(action);
    if (it != cache.constEnd())
        return *it;
    const Source s = sources.value(action);
    QIcon icon = QIcon::fromTheme(QLatin1String(s.theme));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(s.fallback);
    cache.insert(action, icon);
    return icon;
}

} // namespace Tarvo::Shell
