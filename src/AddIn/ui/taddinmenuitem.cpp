#include "AddIn/ui/taddinmenuitem.h"

#include "AddIn/taddinsmanager.h"

#include <QMenu>

namespace Tarvo::AddIn {

TAddInMenuItem::TAddInMenuItem(const TAddInCollectionItem& item, Handler handler, QObject* parent)
    : QAction(item.descr, parent), m_item(item), m_handler(std::move(handler))
{
    setObjectName(QStringLiteral("addIn_") + item.dllname + u'_' + item.descr);
    connect(this, &QAction::triggered, this, [this] {
        if (isEnabled() && m_handler)
            m_handler(m_item);
    });
}

void BuildAddInMenu(Data::Database& db, QMenu* parent, const QUuid& type,
                    const TAddInMenuItem::Handler& handler)
{
    const std::unique_ptr<TAddInsManager> manager = AddInsManager(db);
    if (manager->count() == 0)
        return;
    manager->setFilter(type);
    for (int i = 0; i < manager->count(); ++i)
        parent->addAction(new TAddInMenuItem(manager->item(i), handler, parent));
    manager->setFilter({});
}

} // namespace Tarvo::AddIn
