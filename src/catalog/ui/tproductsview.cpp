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
#include <QVBoxLayout>

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
    : TCatalogView(parent), m_db(db), m_products(std::make_unique<TNodeProducts>(&db))
{
    m_products->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setAccessibleName(u"Товары"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setColumnsSection(u"TfCatalog_Products"_s);
    m_grid->viewport()->installEventFilter(this);
    layout->addWidget(m_grid);
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, &TProductsView::choose);
}

TProductsView::~TProductsView()
{
    m_grid->setRowSet(nullptr);
}

Data::TRowSet* TProductsView::dataSet() const
{
    return m_products.get();
}

void TProductsView::showNode(qint64 nodeId, bool withSubgroups)
{
    m_node = nodeId;
    auto* p = static_cast<TNodeProducts*>(m_products.get());
    m_grid->setRowSet(nullptr);
    p->close();
    p->statement = ProductListQuery::forNode(nodeId, withSubgroups);
    p->open();
    const auto label = [p](const char* field, const QString& caption) {
        const int i = p->fieldIndex(QString::fromLatin1(field));
        if (i >= 0)
            p->field(i).displayLabel = caption;
    };
    label("PR_ID", u"Код"_s);
    label("PR_ARTICUL", u"Артикул"_s);
    label("PR_NAME", u"Наименование"_s);
    label("PR_GROUPID", u"Группа"_s);
    label("PR_EDIN_IZMER", u"Ед. изм."_s);
    m_grid->setRowSet(p);
}

void TProductsView::choose()
{
    if (m_products->isActive() && !m_products->isEmpty())
        Q_EMIT chosen(m_products->integer(u"PR_ID"_s));
}

std::optional<qint64> TProductsView::draggedProductGroup() const
{
    if (!m_dragging || !m_products->isActive() || m_products->isEmpty())
        return std::nullopt;
    const QVariant g = m_products->value(u"PR_GROUPID"_s);
    return g.isNull() ? qint64(WithoutGroup) : g.toLongLong();
}

QList<qint64> TProductsView::draggedProducts() const
{
    if (!m_products->isActive() || m_products->isEmpty())
        return {};
    return {m_products->integer(u"PR_ID"_s)};
}

bool TProductsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_pressAt = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (event->type() == QEvent::MouseMove &&
            (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton) &&
            (static_cast<QMouseEvent*>(event)->position().toPoint() - m_pressAt).manhattanLength() >=
                QApplication::startDragDistance() &&
            m_products->isActive() && !m_products->isEmpty()) {
            auto* drag = new QDrag(m_grid);
            auto* mime = new QMimeData;
            mime->setData(TGroupTreeView::ProductsMime, QByteArray::number(m_products->integer(u"PR_ID"_s)));
            drag->setMimeData(mime);
            m_dragging = true;
            drag->exec(Qt::MoveAction);
            m_dragging = false;
            return true;
        }
    }
    return TCatalogView::eventFilter(watched, event);
}

} // namespace Tarvo::Catalog
