#include "catalog/ui/tproductlistview.h"

#include "data/modules/tupdatedadoquery.h"
#include "widgets/tdatagrid.h"

#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TProductListView::TProductListView(std::unique_ptr<Data::TUpdatedADOQuery> products, QWidget* parent)
    : TCatalogView(parent), m_products(std::move(products))
{
    m_products->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setAccessibleName(u"Товары"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setColumnsSection(u"TfCatalog_Products"_s);
    layout->addWidget(m_grid);
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, &TProductListView::choose);
}

TProductListView::~TProductListView()
{
    m_grid->setRowSet(nullptr);
}

Data::TRowSet* TProductListView::dataSet() const
{
    return m_products.get();
}

bool TProductListView::hasProduct() const
{
    return m_products->isActive() && !m_products->isEmpty();
}

void TProductListView::choose()
{
    if (hasProduct())
        Q_EMIT chosen(m_products->integer(u"PR_ID"_s));
}

void TProductListView::detachProducts()
{
    m_grid->setRowSet(nullptr);
}

void TProductListView::showProducts()
{
    const auto label = [this](const char* field, const QString& caption) {
        const int i = m_products->fieldIndex(QString::fromLatin1(field));
        if (i >= 0)
            m_products->field(i).displayLabel = caption;
    };
    label("PR_ID", u"Код"_s);
    label("PR_ARTICUL", u"Артикул"_s);
    label("PR_NAME", u"Наименование"_s);
    label("PR_GROUPID", u"Группа"_s);
    label("PR_EDIN_IZMER", u"Ед. изм."_s);
    m_grid->setRowSet(m_products.get());
}

} // namespace Tarvo::Catalog
