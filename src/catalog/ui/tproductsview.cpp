#include "catalog/ui/tproductsview.h"

#include "catalog/tree/productlistquery.h"
#include "catalog/tree/scmnodes.h"
#include "catalog/ui/tgrouptreeview.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadoquery.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

// The statement of the node, read once into the row set.
class TNodeProducts : public Data::TUpdatedADOQuery
{
public:
    using TUpdatedADOQuery::TUpdatedADOQuery;
    ProductListQuery statement;

protected:
    std::unique_ptr<Data::Query> createRecordSet() override
    {
        auto q = std::make_unique<Data::Query>(*database(), statement.sql);
        q->bindAll(statement.params);
        return q;
    }
};

} // namespace

TProductsView::TProductsView(Data::Database& db, QWidget* parent)
    : TProductListView(std::make_unique<TNodeProducts>(&db), parent)
{
    grid()->viewport()->installEventFilter(this);
}

void TProductsView::showNode(qint64 nodeId, bool withSubgroups)
{
    m_node = nodeId;
    auto& p = static_cast<TNodeProducts&>(products());
    detachProducts();
    p.close();
    p.statement = ProductListQuery::forNode(nodeId, withSubgroups);
    p.open();
    showProducts();
}

std::optional<qint64> TProductsView::draggedProductGroup() const
{
    if (!m_dragging || !hasProduct())
        return std::nullopt;
    const QVariant g = products().value(u"PR_GROUPID"_s);
    return g.isNull() ? qint64(WithoutGroup) : g.toLongLong();
}

QList<qint64> TProductsView::draggedProducts() const
{
    if (!hasProduct())
        return {};
    return {products().integer(u"PR_ID"_s)};
}

bool TProductsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_pressAt = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (event->type() == QEvent::MouseMove &&
            (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton) &&
            (static_cast<QMouseEvent*>(event)->position().toPoint() - m_pressAt).manhattanLength() >=
                QApplication::startDragDistance() &&
            hasProduct()) {
            auto* drag = new QDrag(grid());
            auto* mime = new QMimeData;
            mime->setData(TGroupTreeView::ProductsMime, QByteArray::number(products().integer(u"PR_ID"_s)));
            drag->setMimeData(mime);
            m_dragging = true;
            drag->exec(Qt::MoveAction);
            m_dragging = false;
            return true;
        }
    }
    return TProductListView::eventFilter(watched, event);
}

} // namespace Tarvo::Catalog
