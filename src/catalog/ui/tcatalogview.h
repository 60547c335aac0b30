#pragma once

#include <QList>
#include <QWidget>
#include <optional>

namespace Tarvo::Data {
class TRowSet;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Catalog {

// What the catalog window shows to the right of its tree: the list of the selected node.
// The window forwards its commands here; the capability bits enable them.
class TCatalogView : public QWidget
{
    Q_OBJECT
public:
    enum Capability
    {
        CanEdit = 1,
        CanDelete = 2,
        CanInsert = 4,
    };
    using QWidget::QWidget;

    virtual int capabilities() const { return 0; }
    virtual bool canChoose() const { return false; }
    virtual bool canImport() const { return false; }
    // Help text of the view ("" disables "Помощь").
    virtual QString helpText() const { return {}; }

    virtual void showNode(qint64 nodeId, bool withSubgroups) = 0;
    virtual Data::TRowSet* dataSet() const = 0;
    virtual Widgets::TDataGrid* grid() const = 0;

    virtual void insertRecord() {}
    virtual void editRecord() {}
    virtual void deleteRecord() {}
    virtual void choose() {}
    virtual void import() {}
    // "Выбрать всю  группу".
    virtual bool canChooseGroup() const { return false; }
    virtual void chooseGroup(qint64 nodeId) { Q_UNUSED(nodeId); }

    // The group of the product being dragged (-2 none), and the dragged products.
    virtual std::optional<qint64> draggedProductGroup() const { return std::nullopt; }
    virtual QList<qint64> draggedProducts() const { return {}; }
};

} // namespace Tarvo::Catalog
