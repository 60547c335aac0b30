#include "AcceptedOrders/ui/tacceptedshedule.h"

#include "widgets/guardedcommand.h"
#include "widgets/mdihost.h"
#include "AcceptedOrders/ui/acceptedlinedelegate.h"
#include "BusOffer/ui/offereditordatedialog.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "widgets/tdatagrid.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QHash>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders {

const QString TAcceptedShedule::StopWaitingQuestion = u"После сохранения заказа прекратить его ожидание?"_s;
const QString TAcceptedShedule::SavedMessage = u"Подтверждение сохранено."_s;
const QString TAcceptedShedule::CloseQuestion = u"Распределение изменилось. Сохранить?"_s;
const QString TAcceptedShedule::DeleteLineQuestion = u"Удалить товар?"_s;
const QString TAcceptedShedule::AllMergedQuestion = u"Установить значения для всех догуженных?"_s;

namespace {

namespace MdiHost = Widgets::MdiHost;

QHash<int, QPointer<TAcceptedShedule>>& openEditors()
{
    static QHash<int, QPointer<TAcceptedShedule>> editors;
    return editors;
}

} // namespace

TAcceptedShedule* TAcceptedShedule::editorOf(int suoId)
{
    return openEditors().value(suoId).data();
}

TAcceptedShedule* TAcceptedShedule::openOrder(int suoId)
{
    if (TAcceptedShedule* open = editorOf(suoId)) {
        MdiHost::bringForward(open);
        return open;
    }
    auto* editor = new TAcceptedShedule(Data::Database::openMain());
    if (!editor->guarded([&] { editor->loadOrder(suoId); })) {
        delete editor;
        return nullptr;
    }
    MdiHost::show(editor);
    return editor;
}

TAcceptedShedule::TAcceptedShedule(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_doc(std::make_unique<TdmAccShed>(&db))
{
    setObjectName(u"TAcceptedShedule"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(u"toolbar"_s);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto command = [&](const QString& name, const QString& text, auto slot) {
        QAction* a = m_toolbar->addAction(text, this, slot);
        a->setObjectName(name);
        return a;
    };
    command(u"actLoadRest"_s, u"Догрузить"_s, [this] { loadRest(); });
    command(u"actDuplicate"_s, u"Дублировать"_s, [this] { duplicate(); });
    command(u"actSave"_s, u"Сохранить"_s, [this] { save(); });
    command(u"actDelete"_s, u"Удалить"_s, [this] { deleteCurrent(); });
    auto* marks = new QMenu(this);
    marks->setObjectName(u"menuNewConfirmations"_s);
    marks->addAction(u"Снять признак \"сохранить\" для всех"_s, this,
                     [this] { guarded([&] { m_doc->setSaveRecordForAll(false); }); })
        ->setObjectName(u"actClearSaveMarks"_s);
    marks->addAction(u"Установить признак \"сохранить\" для всех"_s, this,
                     [this] { guarded([&] { m_doc->setSaveRecordForAll(true); }); })
        ->setObjectName(u"actSetSaveMarks"_s);
    auto* marksButton = new QToolButton(m_toolbar);
    marksButton->setObjectName(u"btnNewConfirmations"_s);
    marksButton->setText(u"Новые подтверждения"_s);
    marksButton->setMenu(marks);
    marksButton->setPopupMode(QToolButton::InstantPopup);
    m_toolbar->addWidget(marksButton);
    layout->addWidget(m_toolbar);

    auto* split = new QSplitter(Qt::Vertical, this);
    m_lines = new Widgets::TDataGrid(split);
    m_lines->setObjectName(u"gridLines"_s);
    m_lines->setColumns({{u"pr_articul"_s, u"Артикул"_s, 90},
                         {u"pr_name"_s, u"Название"_s, 220},
                         {u"soa_amount"_s, u"Кол-во"_s, 70},
                         {u"soa_deliverydate"_s, u"Дата отгрузки"_s, 110},
                         {u"price"_s, u"Цена"_s, 80},
                         {u"Ratio"_s, u"Котировка"_s, 70},
                         {u"soa_sum"_s, u"Сумма"_s, 90},
                         {u"soa_sum_valut"_s, u"Вал. сумма"_s, 90},
                         {u"SaveRecord"_s, u"Сохранять"_s, 70}});
    m_lines->setRowSet(&m_doc->soAccepted);
    m_lines->setColumnsSection(u"TAcceptedSheduleLines"_s);
    m_delegate = new AcceptedLineDelegate(
        [this](int column) { return m_lines->columnField(column).compare(u"soa_deliverydate"_s, Qt::CaseInsensitive) == 0; },
        this);
    m_lines->setItemDelegate(m_delegate);
    connect(m_delegate, &AcceptedLineDelegate::dateEllipsis, this, [this] { chooseDate(); }, Qt::QueuedConnection);
    connect(m_lines, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_lines->columnField(index.column()).compare(u"soa_deliverydate"_s, Qt::CaseInsensitive) != 0)
            guarded([&] { m_doc->toggleSaveRecord(); });
    });
    m_requests = new Widgets::TDataGrid(split);
    m_requests->setObjectName(u"gridRequests"_s);
    m_requests->setColumns({{u"boa_bof_id"_s, u"Заявка"_s, 90}, {u"boa_amount"_s, u"Кол-во"_s, 90}});
    m_requests->setRowSet(&m_doc->boAccepted);
    m_requests->setColumnsSection(u"TAcceptedSheduleRequests"_s);
    layout->addWidget(split);
    m_focusedGrid = m_lines;
    for (Widgets::TDataGrid* g : {m_lines, m_requests}) {
        g->installEventFilter(this);
        g->viewport()->installEventFilter(this);
    }
    connect(m_doc.get(), &Data::TDefferedDataModule::modifiedChanged, this, [this] { updateCaption(); });
    resize(760, 520);
    updateCaption();
}

TAcceptedShedule::~TAcceptedShedule()
{
    auto& editors = openEditors();
    for (auto it = editors.begin(); it != editors.end();)
        it = (it.value().isNull() || it.value() == this) ? editors.erase(it) : std::next(it);
}

bool TAcceptedShedule::guarded(const std::function<void()>& action)
{
    return Widgets::guardedCommand(this, windowTitle(), action, Widgets::FailureBox::Warning);
}

void TAcceptedShedule::updateCaption()
{
    setWindowTitle(m_doc->orderId() ? u"Подтверждение заказа %1"_s.arg(m_doc->orderId()) : u"Подтверждение заказа"_s);
    setWindowModified(m_doc->orderId() && m_doc->modified());
}

void TAcceptedShedule::loadOrder(int suoId)
{
    m_doc->loadOrder(suoId);
    openEditors().insert(suoId, this);
    updateCaption();
}

void TAcceptedShedule::loadRest()
{
    guarded([&] { m_doc->loadRest(); });
}

void TAcceptedShedule::duplicate()
{
    guarded([&] { m_doc->duplicateLine(); });
}

bool TAcceptedShedule::save()
{
    bool stop = false;
    if (!m_doc->notWaiting()) {
        const auto answer = QMessageBox::question(this, windowTitle(), StopWaitingQuestion,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return false;
        stop = answer == QMessageBox::Yes;
    }
    bool saved = false;
    if (!guarded([&] { saved = m_doc->saveDocument(stop); }) || !saved)
        return false;
    QMessageBox::information(this, windowTitle(), SavedMessage);
    updateCaption();
    return true;
}

void TAcceptedShedule::deleteCurrent()
{
    if (m_focusedGrid == m_requests) {
        if (!m_doc->boAccepted.isEmpty())
            guarded([&] { m_doc->boAccepted.remove(); });
        return;
    }
    if (m_doc->soAccepted.isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), DeleteLineQuestion, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    guarded([&] {
        if (const QString refusal = m_doc->deletionRefusal(); !refusal.isEmpty())
            throw Exception(refusal);
        m_doc->soAccepted.remove();
    });
}

void TAcceptedShedule::chooseDate()
{
    if (m_doc->soAccepted.isEmpty())
        return;
    BusOffer::OfferEditorDateDialog dialog(m_doc->soAccepted.value(u"soa_deliverydate"_s).toDateTime().date(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool all = false;
    if (m_doc->currentIsMerged())
        all = QMessageBox::question(this, windowTitle(), AllMergedQuestion, QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    guarded([&] { m_doc->setLineDate(dialog.date(), all); });
}

bool TAcceptedShedule::eventFilter(QObject* watched, QEvent* event)
{
    // Insert adds a request row under the current line.
    if (watched == m_requests && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert) {
        guarded([&] {
            m_doc->boAccepted.checkBrowseMode();
            m_doc->boAccepted.insert();
        });
        return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress) {
        for (Widgets::TDataGrid* g : {m_lines, m_requests})
            if (watched == g || watched == g->viewport())
                m_focusedGrid = g;
    }
    return QWidget::eventFilter(watched, event);
}

void TAcceptedShedule::closeEvent(QCloseEvent* event)
{
    bool modified = false;
    if (!guarded([&] { modified = m_doc->modified(); })) {
        event->ignore();
        return;
    }
    if (modified) {
        const auto answer = QMessageBox::question(this, windowTitle(), CloseQuestion,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !save())) {
            event->ignore();
            return;
        }
    }
    openEditors().remove(m_doc->orderId());
    event->accept();
}

} // namespace Tarvo::AcceptedOrders
