#include "BusOffer/ui/tofferdetailspanel.h"

#include "BusOffer/offerdetailsqueries.h"
#include "BusOffer/offerdetailswriter.h"
#include "BusOffer/ui/offerdetailslinedelegate.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadodataset.h"
#include "security/rights.h"
#include "security/rightscatalog.h"
#include "shell/tformsfile.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QEvent>
#include <QMessageBox>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {

const QString SettingsSection = u"TviewBusinesOffers"_s;

// The fields of a distribution tab that make up a stage row.
struct StageFields
{
    QString bof, pr, suo, date, sde, swb, sdpPr, amount;
};

StageFields fieldsOf(OfferStage stage)
{
    switch (stage) {
    case OfferStage::Ordered:
        return {u"bpo_bof_id"_s, u"bpo_pr_id"_s, u"bpo_suo_id"_s, {}, {}, {}, {}, u"bpo_amount"_s};
    case OfferStage::Accepted:
        return {u"boa_bof_id"_s, u"boa_pr_id"_s, u"boa_suo_id"_s, u"boa_soa_deliverydate"_s, {}, {}, {},
                u"boa_amount"_s};
    case OfferStage::Shipped:
        break;
    }
    return {u"soi_bof_id"_s,    u"soi_pr_id"_s,  u"soi_suo_id"_s,    u"soi_soa_deliverydate"_s,
            u"soi_sde_id"_s,    u"soi_swb_id"_s, u"soi_sdp_pr_id"_s, u"soi_amount"_s};
}

StageRow stageRow(OfferStage stage, const Data::TRowSet& ds, bool original)
{
    const StageFields f = fieldsOf(stage);
    const auto value = [&](const QString& name) {
        return name.isEmpty() ? QVariant() : original ? ds.originalValue(name) : ds.value(name);
    };
    StageRow r;
    r.bofId = value(f.bof).toLongLong();
    r.prId = value(f.pr).toLongLong();
    r.suoId = value(f.suo).toLongLong();
    r.confirmedDate = value(f.date).toDateTime();
    r.sdeId = value(f.sde).toLongLong();
    r.swbId = value(f.swb).toLongLong();
    r.sdpPrId = value(f.sdpPr).toLongLong();
    r.amount = Money::fromVariant(value(f.amount));
    return r;
}

// Fields the user types in a distribution tab; the others are read-only.
QStringList editableFields(OfferStage stage)
{
    switch (stage) {
    case OfferStage::Ordered:
        return {u"bpo_amount"_s, u"bpo_suo_id"_s};
    case OfferStage::Accepted:
        return {u"boa_amount"_s, u"boa_suo_id"_s, u"boa_soa_deliverydate"_s};
    case OfferStage::Shipped:
        break;
    }
    return {u"soi_amount"_s, u"soi_suo_id"_s, u"soi_soa_deliverydate"_s, u"soi_sde_id"_s};
}

void protectFields(Data::TRowSet& ds, OfferStage stage, bool editing)
{
    const QStringList editable = editing ? editableFields(stage) : QStringList();
    for (int i = 0; i < ds.fieldCount(); ++i)
        ds.field(i).readOnly = !editable.contains(ds.field(i).name, Qt::CaseInsensitive);
}

// SQLite gives computed columns no declared type: they are shown as amounts and dates on both
// engines all the same.
void showAs(Data::TRowSet& ds, const QStringList& fields, Data::FieldType type)
{
    for (const QString& name : fields)
        if (const int i = ds.fieldIndex(name); i >= 0)
            ds.field(i).type = type;
}

Widgets::TDataGrid* makeGrid(QWidget* parent, const QString& name, const QString& accessible)
{
    auto* grid = new Widgets::TDataGrid(parent);
    grid->setObjectName(name);
    grid->setAccessibleName(accessible);
    return grid;
}

// "forms.ini" keeps a heading sort as the column + 1, negative when descending; 0 is none.
int sortKey(const Widgets::TDataGrid* grid)
{
    const int column = grid->proxyModel()->sortColumn();
    if (column < 0)
        return 0;
    return grid->proxyModel()->sortOrder() == Qt::DescendingOrder ? -(column + 1) : column + 1;
}

void applySortKey(Widgets::TDataGrid* grid, int key)
{
    const int column = qAbs(key) - 1;
    if (key != 0 && column < grid->model()->columnCount())
        grid->sortBy(column, key < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

// Why a change of the lines or their distribution is refused: the right it needs, by name.
QString missingEditRight(const QString& refused)
{
    return Security::MissingRightText(Security::Right::AdminEditing, refused) +
           u" Товары заявки и их распределение можно только просматривать."_s;
}

} // namespace

TOfferDetailsPanel::TOfferDetailsPanel(QWidget* parent)
    : QWidget(parent), m_db(Data::Database::openMain()), m_writer(std::make_unique<OfferDetailsWriter>(m_db))
{
    setObjectName(u"TOfferDetailsPanel"_s);
    buildDataSets();
    buildWidgets();
    buildActions();
    applyRights();
    for (Widgets::TDataGrid* g : {m_linesGrid, m_orderedGrid, m_acceptedGrid, m_shippedGrid})
        g->installEventFilter(this);
}

TOfferDetailsPanel::~TOfferDetailsPanel()
{
    for (Widgets::TDataGrid* g : {m_linesGrid, m_orderedGrid, m_acceptedGrid, m_shippedGrid, m_stateGrid})
        g->setRowSet(nullptr);
    for (Data::TUpdatedADODataSet* ds : {m_ordered.get(), m_accepted.get(), m_shipped.get()})
        ds->setDataSource(nullptr, {});
}

void TOfferDetailsPanel::buildDataSets()
{
    m_lines = std::make_unique<Data::TUpdatedADOQuery>(&m_db);
    m_lines->setSql(OfferDetailsQueries::lines(m_db.dialect()));
    m_lines->setParameter(u"bof_id"_s, 0);
    m_lines->setReadOnly(true);
    m_lines->open();

    const auto stage = [this](std::unique_ptr<Data::TUpdatedADODataSet>& ds, OfferStage kind, const QString& sql) {
        ds = std::make_unique<Data::TUpdatedADODataSet>(&m_db);
        ds->setSql(sql);
        ds->onInternalPost = [this, kind](Data::TUpdatedADODataSet& rows) {
            if (rows.state() == Data::RowSetState::Insert) {
                // A new row belongs to the current line of the current request.
                const StageFields f = fieldsOf(kind);
                rows.forceValue(rows.fieldIndexOrThrow(f.bof), m_lines->value(u"bpd_bof_id"_s));
                rows.forceValue(rows.fieldIndexOrThrow(f.pr), m_lines->value(u"bpd_pr_id"_s));
                if (!f.sdpPr.isEmpty() && rows.isNull(f.sdpPr))
                    rows.forceValue(rows.fieldIndexOrThrow(f.sdpPr), m_lines->value(u"bpd_pr_id"_s));
                m_writer->insert(kind, stageRow(kind, rows, false));
            } else {
                m_writer->update(kind, stageRow(kind, rows, true), stageRow(kind, rows, false));
            }
            changed();
        };
        ds->onInternalDelete = [this, kind](Data::TUpdatedADODataSet& rows) {
            m_writer->remove(kind, stageRow(kind, rows, true));
            changed();
        };
        ds->setDataSource(m_lines.get(), {u"bpd_bof_id"_s, u"bpd_pr_id"_s});
        ds->open();
    };
    stage(m_ordered, OfferStage::Ordered, OfferDetailsQueries::ordered());
    stage(m_accepted, OfferStage::Accepted, OfferDetailsQueries::accepted());
    stage(m_shipped, OfferStage::Shipped, OfferDetailsQueries::shipped());

    m_state = std::make_unique<Data::TUpdatedADOQuery>(&m_db);
    m_state->setSql(OfferDetailsQueries::state(m_db.dialect()));
    m_state->setParameter(u"bof_id"_s, 0);
    m_state->setReadOnly(true);
    m_state->open();
}

void TOfferDetailsPanel::buildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(u"tabsOfferDetails"_s);
    m_pages->setAccessibleName(u"Товары и состояние заявки"_s);
    m_pages->tabBar()->setAccessibleName(u"Страницы заявки"_s);
    layout->addWidget(m_pages);

    m_split = new QSplitter(Qt::Vertical);
    m_split->setObjectName(u"VSplit"_s);
    m_linesGrid = makeGrid(m_split, u"gridBofDetails"_s, u"Товары заявки"_s);
    m_linesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_linesGrid->setRowSet(m_lines.get());
    // Captions as the field caption dictionary names them for "bof_products".
    m_linesGrid->setColumns({{u"pr_articul"_s, u"Артикул"_s, 110},
                             {u"pr_name"_s, u"Наименование"_s, 260},
                             {u"bpd_amount"_s, u"Количество"_s, 80},
                             {u"bpd_deliverydate"_s, u"План. дата доставки"_s, 120},
                             {u"bpd_price"_s, u"Цена руб."_s, 80},
                             {u"bpd_sum"_s, u"Сумма руб."_s, 90},
                             {u"bpd_val_price"_s, u"Вал. цена"_s, 80},
                             {u"bpd_sum_valut"_s, u"Сумма вал."_s, 90},
                             {u"arrived"_s, u"Прибыло"_s, 80},
                             {u"complited_amount"_s, u"Выполнено"_s, 80},
                             {u"bpd_description"_s, u"Примечание"_s, 150}});
    m_linesGrid->setColumnsSection(u"bof_products"_s);
    m_linesGrid->setItemDelegate(
        new OfferDetailsLineDelegate(m_lines->fieldIndex(u"bpd_completed"_s), m_linesGrid));

    m_stageTabs = new QTabWidget(m_split);
    m_stageTabs->setObjectName(u"tabsDistribution"_s);
    m_stageTabs->setAccessibleName(u"Распределение товара"_s);
    m_stageTabs->tabBar()->setAccessibleName(u"Этапы распределения"_s);
    m_orderedGrid = makeGrid(m_stageTabs, u"gridOrdered"_s, u"Этап заказа"_s);
    m_orderedGrid->setRowSet(m_ordered.get());
    m_orderedGrid->setColumns({{u"bpo_amount"_s, u"Количество"_s, 80},
                               {u"bpo_suo_id"_s, u"Заказ поставщику"_s, 110},
                               {u"par_nuser"_s, u"Кр.имя"_s, 90},
                               {u"name_user"_s, u"Кому"_s, 220}});
    m_acceptedGrid = makeGrid(m_stageTabs, u"gridAccepted"_s, u"Этап подтверждения"_s);
    m_acceptedGrid->setRowSet(m_accepted.get());
    m_acceptedGrid->setColumns({{u"boa_amount"_s, u"Количество"_s, 80},
                                {u"bpd_deliverydate"_s, u"Дата дост. клиенту"_s, 110},
                                {u"boa_soa_deliverydate"_s, u"Дата дост. поставщиком"_s, 130},
                                {u"par_nuser"_s, u"Кр.имя"_s, 90},
                                {u"name_user"_s, u"Кому"_s, 200},
                                {u"boa_suo_id"_s, u"№ заказа поставщику"_s, 120}});
    m_shippedGrid = makeGrid(m_stageTabs, u"gridShipped"_s, u"Отправленные"_s);
    m_shippedGrid->setRowSet(m_shipped.get());
    m_shippedGrid->setColumns({{u"soi_swb_id"_s, u"Посылка"_s, 70},
                               {u"sde_invoice_num"_s, u"Счет"_s, 100},
                               {u"soi_amount"_s, u"Количество"_s, 80},
                               {u"swb_consignor"_s, u"Грузоотправитель"_s, 160},
                               {u"soi_suo_id"_s, u"Заказ"_s, 70},
                               {u"soi_soa_deliverydate"_s, u"Дата подтверждения"_s, 120},
                               {u"soi_sde_id"_s, u"Код счета"_s, 70}});
    m_stageTabs->addTab(m_orderedGrid, u"Этап заказа"_s);
    m_stageTabs->addTab(m_acceptedGrid, u"Этап подтверждения"_s);
    m_stageTabs->addTab(m_shippedGrid, u"Отправленные"_s);
    m_split->addWidget(m_linesGrid);
    m_split->addWidget(m_stageTabs);
    m_split->setStretchFactor(0, 3);
    m_split->setStretchFactor(1, 2);
    m_pages->addTab(m_split, u"Товары заявки"_s);

    m_stateGrid = makeGrid(m_pages, u"gridBofState"_s, u"Состояние заявки"_s);
    m_stateGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_stateGrid->setRowSet(m_state.get());
    m_stateGrid->setColumns({{u"st_name"_s, u"Этап"_s, 110},
                             {u"pr_articul"_s, u"Артикул"_s, 100},
                             {u"pr_name"_s, u"Наименование"_s, 220},
                             {u"amount"_s, u"Количество"_s, 80},
                             {u"suo_id"_s, u"Заказ"_s, 60},
                             {u"par_nuser"_s, u"Кр.имя"_s, 80},
                             {u"name_user"_s, u"Поставщик"_s, 180},
                             {u"soa_date"_s, u"Дата подтверждения"_s, 110},
                             {u"sde_invoice_num"_s, u"Счет"_s, 90},
                             {u"sde_invoice_date"_s, u"Дата счета"_s, 90},
                             {u"swb_stepname"_s, u"Этап посылки"_s, 120},
                             {u"swb_stepdate"_s, u"Дата этапа"_s, 90},
                             {u"swb_plan_arrival_date"_s, u"План. прибытие"_s, 100},
                             {u"numdocm_pr"_s, u"Приходная накладная"_s, 110},
                             {u"date_predm"_s, u"Дата прихода"_s, 90}});
    m_stateGrid->setColumnsSection(u"offer_state"_s);
    m_pages->addTab(m_stateGrid, u"Состояние заявки"_s);
}

void TOfferDetailsPanel::buildActions()
{
    const auto action = [this](QWidget* owner, const QString& name, const QString& text, const QKeySequence& key) {
        auto* a = new QAction(text, owner);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        owner->addAction(a);
        return a;
    };
    m_deleteLine = action(m_linesGrid, u"actDeleteLine"_s, u"Удалить товар"_s, QKeySequence(Qt::Key_Delete));
    connect(m_deleteLine, &QAction::triggered, this, &TOfferDetailsPanel::deleteLine);
    m_addRow = new QAction(u"Добавить строку"_s, this);
    m_addRow->setObjectName(u"actAddDistribution"_s);
    m_deleteRow = new QAction(u"Удалить строку"_s, this);
    m_deleteRow->setObjectName(u"actDeleteDistribution"_s);
    connect(m_addRow, &QAction::triggered, this, &TOfferDetailsPanel::addDistributionRow);
    connect(m_deleteRow, &QAction::triggered, this, &TOfferDetailsPanel::deleteDistributionRow);
    for (Widgets::TDataGrid* g : {m_orderedGrid, m_acceptedGrid, m_shippedGrid}) {
        // Each grid has its own shortcuts, so the keys act on the grid that has the focus.
        auto* add = action(g, g->objectName() + u"Add"_s, m_addRow->text(), QKeySequence(Qt::Key_Insert));
        auto* del = action(g, g->objectName() + u"Delete"_s, m_deleteRow->text(), QKeySequence(Qt::Key_Delete));
        connect(add, &QAction::triggered, m_addRow, &QAction::trigger);
        connect(del, &QAction::triggered, m_deleteRow, &QAction::trigger);
    }
}

void TOfferDetailsPanel::applyRights()
{
    m_editable = m_writer->canEdit();
    for (Data::TUpdatedADODataSet* ds : {m_ordered.get(), m_accepted.get(), m_shipped.get()})
        ds->setReadOnly(!m_editable);
    protectFields(*m_ordered, OfferStage::Ordered, m_editable);
    protectFields(*m_accepted, OfferStage::Accepted, m_editable);
    protectFields(*m_shipped, OfferStage::Shipped, m_editable);
    for (Widgets::TDataGrid* g : {m_orderedGrid, m_acceptedGrid, m_shippedGrid})
        g->setEditTriggers(m_editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                            QAbstractItemView::AnyKeyPressed
                                      : QAbstractItemView::NoEditTriggers);
}

bool TOfferDetailsPanel::mayEdit(const QString& refused)
{
    // The right is asked at the command: one granted or taken away meanwhile counts at once.
    applyRights();
    if (!m_editable)
        QMessageBox::warning(this, u"Товары заявки"_s, missingEditRight(refused));
    return m_editable;
}

bool TOfferDetailsPanel::eventFilter(QObject* watched, QEvent* event)
{
    // Editing in place starts in a grid the user has just entered: the grids follow the right
    // as it stands now.
    if (event->type() == QEvent::FocusIn) {
        try {
            applyRights();
        } catch (const Exception&) {
            // No answer from the server: the grids stay as they were; the writes check again.
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TOfferDetailsPanel::setOffer(int bofId)
{
    m_bofId = bofId;
    applyRights();
    m_lines->close();
    m_lines->setParameter(u"bof_id"_s, bofId);
    m_lines->open();
    showAs(*m_lines, {u"bpd_price"_s, u"bpd_val_price"_s, u"arrived"_s, u"complited_amount"_s},
           Data::FieldType::Money);
    m_state->close();
    m_state->setParameter(u"bof_id"_s, bofId);
    m_state->open();
    showAs(*m_state, {u"amount"_s}, Data::FieldType::Money);
    showAs(*m_state, {u"soa_date"_s, u"date_predm"_s}, Data::FieldType::DateTime);
}

void TOfferDetailsPanel::refresh()
{
    m_refreshQueued = false;
    const QVariant line = m_lines->isEmpty() ? QVariant() : m_lines->value(u"bpd_pr_id"_s);
    setOffer(m_bofId);
    if (line.isValid())
        m_lines->locate({u"bpd_pr_id"_s}, {line});
}

void TOfferDetailsPanel::changed()
{
    // Called while the tab's row is being written: the re-read, and whatever the register does
    // on hearing of the change (it may set another request), wait until that is done.
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_refreshQueued)
            return;
        refresh();
        Q_EMIT offerChanged(m_bofId);
    });
}

Widgets::TDataGrid* TOfferDetailsPanel::currentStageGrid() const
{
    return qobject_cast<Widgets::TDataGrid*>(m_stageTabs->currentWidget());
}

Data::TUpdatedADODataSet* TOfferDetailsPanel::currentStage() const
{
    Widgets::TDataGrid* g = currentStageGrid();
    return g ? static_cast<Data::TUpdatedADODataSet*>(g->rowSet()) : nullptr;
}

void TOfferDetailsPanel::deleteLine()
{
    if (m_lines->isEmpty() || !mayEdit(u"Товар не удален"_s))
        return;
    const qint64 bof = m_lines->value(u"bpd_bof_id"_s).toLongLong();
    const qint64 pr = m_lines->value(u"bpd_pr_id"_s).toLongLong();
    if (m_writer->lineCount(bof) <= 1) {
        QMessageBox::information(this, u"Товары заявки"_s, OfferDetailsWriter::LastLineMessage);
        return;
    }
    if (QMessageBox::question(this, u"Товары заявки"_s, OfferDetailsWriter::ConfirmDeleteLine,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    m_writer->deleteLine(bof, pr);
    m_refreshQueued = false;
    refresh();
    Q_EMIT offerChanged(m_bofId);
}

void TOfferDetailsPanel::addDistributionRow()
{
    Data::TUpdatedADODataSet* ds = currentStage();
    if (!ds || m_lines->isEmpty() || !mayEdit(u"Строка распределения не добавлена"_s))
        return;
    Widgets::TDataGrid* grid = currentStageGrid();
    const OfferStage stage = grid == m_orderedGrid    ? OfferStage::Ordered
                             : grid == m_acceptedGrid ? OfferStage::Accepted
                                                      : OfferStage::Shipped;
    ds->append();
    // The new row offers what is still undistributed of the line.
    const Money rest = Money::fromVariant(m_lines->value(u"bpd_amount"_s)) -
                       Money::fromVariant(m_lines->value(u"bpd_placed"_s));
    if (rest > Money())
        ds->setValue(fieldsOf(stage).amount, rest.toVariant());
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(ds->recordCount(), grid->fieldColumn(fieldsOf(stage).suo)));
}

void TOfferDetailsPanel::deleteDistributionRow()
{
    Data::TUpdatedADODataSet* ds = currentStage();
    if (!ds || ds->isEmpty())
        return;
    if (ds->state() != Data::RowSetState::Browse) {
        ds->cancel();
        return;
    }
    if (!mayEdit(u"Строка распределения не удалена"_s))
        return;
    if (QMessageBox::question(this, m_stageTabs->tabText(m_stageTabs->currentIndex()),
                              u"Удалить строку распределения?"_s, QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    ds->remove();
}

QString TOfferDetailsPanel::settingsSection() const
{
    return SettingsSection;
}

void TOfferDetailsPanel::saveSettings()
{
    Shell::TFormsFile file;
    file.update([&] {
        file.writeInteger(settingsSection(), u"VSplit"_s, m_split->sizes().value(0));
        file.writeInteger(settingsSection(), u"BofDetails"_s, sortKey(m_linesGrid));
        file.writeInteger(settingsSection(), u"BofState"_s, sortKey(m_stateGrid));
    });
    m_linesGrid->saveColumns();
    m_stateGrid->saveColumns();
}

void TOfferDetailsPanel::restoreSettings()
{
    const Shell::TFormsFile file;
    const int upper = file.readInteger(settingsSection(), u"VSplit"_s, 0);
    if (upper > 0) {
        const int total = qMax(m_split->height(), upper + 100);
        m_split->setSizes({upper, total - upper});
    }
    applySortKey(m_linesGrid, file.readInteger(settingsSection(), u"BofDetails"_s, 0));
    applySortKey(m_stateGrid, file.readInteger(settingsSection(), u"BofState"_s, 0));
    m_linesGrid->restoreColumns();
    m_stateGrid->restoreColumns();
}

} // namespace Tarvo::BusOffer
