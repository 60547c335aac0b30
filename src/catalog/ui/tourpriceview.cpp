#include "catalog/ui/tourpriceview.h"

#include "catalog/fieldsearch.h"
#include "catalog/prices/ourpricelist.h"
#include "catalog/ui/bookfields.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/rowset/trowsetmodel.h"
#include "messaging/tdataregistration.h"
#include "messaging/tourtvrexchange.h"
#include "widgets/tdatagrid.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TOurPriceView::TOurPriceView(Data::Database& db, QWidget* parent)
    : TCatalogView(parent), m_db(db), m_products(std::make_unique<OurPriceList>(db, db, false)),
      m_extra(std::make_unique<Data::TUpdatedADODataSet>(&db))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(u"Искать в поле"_s, this);
    m_searchField = new QComboBox(this);
    m_searchField->setAccessibleName(u"Поле поиска"_s);
    // Filled when the list opens, after the first show.
    m_searchField->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setAccessibleName(u"Текст поиска"_s);
    searchLabel->setBuddy(m_searchField);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(m_searchField);
    searchRow->addWidget(m_searchEdit, 1);
    layout->addLayout(searchRow);

    auto* split = new QSplitter(Qt::Vertical, this);
    m_grid = new Widgets::TDataGrid(split);
    m_grid->setAccessibleName(u"Товары"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setColumnsSection(u"TfViewOurPrice_Products"_s);
    m_grid->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* lower = new QWidget(split);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto* extraLabel = new QLabel(u"   Дополнительные цены"_s, lower);
    m_extraGrid = new Widgets::TDataGrid(lower);
    m_extraGrid->setAccessibleName(u"Дополнительные цены"_s);
    m_extraGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_extraGrid->setColumnsSection(u"TfViewOurPrice_Extra"_s);
    extraLabel->setBuddy(m_extraGrid);
    lowerLayout->addWidget(extraLabel);
    lowerLayout->addWidget(m_extraGrid);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    m_extra->setReadOnly(true);
    m_extra->setSql(
        QStringList{u"select prn_name, ODC_PRICE, ODC_RATIO, ODC_VALPRICE, ODC_PR_ID, ODC_PRN_ID from"_s,
                    u"  CRM_OURDOPPRICE join scm_pricename on prn_id = ODC_PRN_ID"_s,
                    u"  where ODC_PR_ID = :sam_pr_id order by prn_name"_s});

    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, &TOurPriceView::choose);
    connect(m_searchEdit, &QLineEdit::textEdited, this, &TOurPriceView::searchAsTyped);
    // Esc in the search field stops a search still reading.
    m_searchEdit->installEventFilter(this);
    connect(m_grid, &QWidget::customContextMenuRequested, this, &TOurPriceView::showSortMenu);
    connect(m_grid->horizontalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        showSortMenu(m_grid->viewport()->mapFromGlobal(m_grid->horizontalHeader()->mapToGlobal(p)));
    });
}

TOurPriceView::~TOurPriceView()
{
    m_extraGrid->setRowSet(nullptr);
    m_grid->setRowSet(nullptr);
}

Data::TRowSet* TOurPriceView::dataSet() const
{
    return m_products.get();
}

Data::TUpdatedADODataSet* TOurPriceView::extraPrices() const
{
    return m_extra.get();
}

void TOurPriceView::showNode(qint64 nodeId, bool withSubgroups)
{
    m_extraGrid->setRowSet(nullptr);
    m_grid->setRowSet(nullptr);
    m_extra->close();
    m_products->showNode(nodeId, withSubgroups);
    m_grid->setRowSet(m_products.get());
    BookFields::applyHidden(*m_products, m_grid);
    if (!m_products->keptSort().isEmpty())
        m_grid->sortRowSetWhenRead(m_products->keptSort(), m_products->keptSortCollation());
    // The additional prices follow the current product.
    m_extra->setDataSource(m_products.get(), {u"sam_pr_id"_s});
    m_extra->setParameter(u"sam_pr_id"_s,
                          m_products->isEmpty() ? QVariant(0) : m_products->value(u"sam_pr_id"_s));
    m_extra->open();
    BookFields(*m_extra)
        .label(u"prn_name"_s, u"Вид цены"_s)
        .label(u"ODC_PRICE"_s, u"Цена, руб."_s)
        .label(u"ODC_RATIO"_s, u"Коэффициент"_s)
        .label(u"ODC_VALPRICE"_s, u"Цена в валюте"_s)
        .hide(u"ODC_PR_ID"_s)
        .hide(u"ODC_PRN_ID"_s);
    m_extraGrid->setRowSet(m_extra.get());
    BookFields::applyHidden(*m_extra, m_extraGrid);
    fillSearchFields();
}

void TOurPriceView::fillSearchFields()
{
    const QString chosen = m_searchField->currentData().toString();
    m_searchField->clear();
    for (int i = 0; i < m_products->fieldCount(); ++i) {
        const Data::RowSetField& f = m_products->field(i);
        if (f.displayLabel != u"-"_s)
            m_searchField->addItem(f.caption(), f.name);
    }
    const int at =
        m_searchField->findData(chosen.isEmpty() ? u"PR_NAME"_s : chosen, Qt::UserRole, Qt::MatchFixedString);
    m_searchField->setCurrentIndex(qMax(0, at));
}

void TOurPriceView::searchAsTyped()
{
    // The text typed before gives way to this one; the rows it read stay.
    m_grid->cancelReading();
    const QString field = m_searchField->currentData().toString();
    if (field.isEmpty() || m_searchEdit->text().isEmpty() || !m_products->isActive())
        return;
    auto search = std::make_shared<FieldSearch>(*m_products, field);
    search->setFromStart(true);
    search->setEntry(m_searchEdit->text());
    // The rows not read yet come a batch per turn, so typing goes on meanwhile.
    search->setBatchReader([grid = m_grid] { grid->rowSetModel()->fetchMore({}); });
    search->start(0);
    if (search->step() == FieldSearch::Step::Reading)
        m_grid->startReading([search] { return search->step() != FieldSearch::Step::Reading; }, {});
}

bool TOurPriceView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_grid->isReading()) {
        m_grid->cancelReading();
        return true;
    }
    return TCatalogView::eventFilter(watched, event);
}

void TOurPriceView::sortByColumn(int column)
{
    if (column < 0 || column >= m_products->fieldCount())
        return;
    m_grid->sortRowSetWhenRead(m_products->field(column).name);
}

void TOurPriceView::showSortMenu(const QPoint& at)
{
    const int column = m_grid->columnAt(at.x());
    if (column < 0 || !m_products->isActive())
        return;
    QMenu menu(this);
    QAction* sort = menu.addAction(u"Упорядочить по "_s + m_products->field(column).caption());
    connect(sort, &QAction::triggered, this, [this, column] { sortByColumn(column); });
    menu.exec(m_grid->viewport()->mapToGlobal(at));
}

void TOurPriceView::choose()
{
    if (!m_products->isActive() || m_products->isEmpty())
        return;
    Messaging::DataRegistration().Notify(m_products->exchange());
}

} // namespace Tarvo::Catalog
