#pragma once

#include "AddIn/taddincollection.h"

#include <QAction>

#include <functional>

class QMenu;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AddIn {

// A menu item that runs one configured module (its own copy of the item).
class TAddInMenuItem : public QAction
{
    Q_OBJECT
public:
    using Handler = std::function<void(const TAddInCollectionItem&)>;
    TAddInMenuItem(const TAddInCollectionItem& item, Handler handler, QObject* parent);

    const TAddInCollectionItem& item() const { return m_item; }

private:
    TAddInCollectionItem m_item;
    Handler m_handler;
};

// Appends an item for every configured module of the type to the menu.
void BuildAddInMenu(Data::Database& db, QMenu* parent, const QUuid& type,
                    const TAddInMenuItem::Handler& handler);

} // namespace Tarvo::AddIn
