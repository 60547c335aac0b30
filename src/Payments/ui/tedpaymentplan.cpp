#include "Payments/ui/tedpaymentplan.h"

#include "Payments/ui/editorframe.h"
#include "widgets/mdihost.h"
#include "Payments/ui/plandatedelegate.h"
#include "catalog/currency/moneyformats.h"
#include "data/engine/database.h"
#include "widgets/guardedcommand.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

const QString TedPaymentPlan::CloseQuestion = u"План оплат изменился. Сохранить перед закрытием?"_s;

namespace {

QHash<qint64, QPointer<TedPaymentPlan>>& openPlans()
{
    static QHash<qint64, QPointer<TedPaymentPlan>> plans;
    return plans;
}

} // namespace

TedPaymentPlan* TedPaymentPlan::openPlan(qint64 pfId)
{
    if (TedPaymentPlan* open = openPlans().value(pfId).data()) {
        Widgets::MdiHost::bringForward(open);
        return open;
    }
    auto* editor = new TedPaymentPlan(Data::Database::openMain());
    if (!editor->guarded([&] { editor->loadPlan(pfId); })) {
        delete editor;
        return nullptr;
    }
    openPlans().insert(pfId, editor);
    Widgets::MdiHost::show(editor);
    return editor;
}

TedPaymentPlan::TedPaymentPlan(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_doc(std::make_unique<TdmEditPayPlan>(&db))
{
    setObjectName(u"TedPaymentPlan"_s);
    setWindowTitle(u"График оплат счета"_s);
    EditorFrame frame(this);
    QVBoxLayout* layout = frame.layout();
    frame.command(u"actSave"_s, u"Сохранить"_s, QKeySequence::Save, [this] { save(); });
    QAction* add = frame.command(u"actAdd"_s, u"Добавить"_s, QKeySequence(Qt::Key_Insert), [this] { addRow(); },
                                 Qt::WidgetWithChildrenShortcut);
    QAction* remove = frame.command(u"actDelete"_s, u"Удалить"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete),
                                    [this] { deleteRow(); }, Qt::WidgetWithChildrenShortcut);

    auto* form = new QFormLayout;
    const auto field = [&](const QString& name, const QString& label) {
        QLineEdit* e = EditorFrame::line(form, this, name, label);
        e->setReadOnly(true);
        return e;
    };
    m_number = field(u"editNumber"_s, u"№ счета"_s);
    m_supplier = field(u"editSupplier"_s, u"Поставщик"_s);
    m_currency = field(u"editCurrency"_s, u"Валюта"_s);
    m_sum = field(u"editSum"_s, u"Сумма"_s);
    m_scheme = field(u"editScheme"_s, u"Схема оплаты"_s);
    layout->addLayout(form);

    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridPlan"_s);
    m_grid->setColumns({{u"sps_date"_s, u"Дата оплаты"_s, 110},
                        {u"sps_sum"_s, u"Сумма оплаты"_s, 120},
                        {u"prcnt"_s, u"% оплаты"_s, 80}});
    m_grid->setRowSet(&m_doc->dsBody);
    m_grid->setColumnsSection(u"TedPaymentPlanBody"_s);
    m_grid->setItemDelegate(new PlanDateDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->addAction(add);
    m_grid->addAction(remove);
    layout->addWidget(m_grid, 1);
    m_total = new QLabel(this);
    m_total->setObjectName(u"labelTotal"_s);
    layout->addWidget(m_total);
    m_doc->dsBody.onChanged = [this, previous = m_doc->dsBody.onChanged] {
        if (previous)
            previous();
        showTotal();
    };
    resize(520, 420);
}

TedPaymentPlan::~TedPaymentPlan()
{
    m_grid->setRowSet(nullptr);
    openPlans().remove(m_doc->proformaId());
}

bool TedPaymentPlan::guarded(const std::function<void()>& action)
{
    return Widgets::guardedCommand(this, windowTitle(), action, Widgets::FailureBox::Warning);
}

void TedPaymentPlan::loadPlan(qint64 pfId)
{
    m_doc->loadPlan(pfId);
    auto& h = m_doc->dsHead;
    const QString code = h.string(u"pf_cod_valut"_s);
    m_number->setText(h.string(u"pf_id"_s));
    m_supplier->setText(h.string(u"name_user"_s).isEmpty() ? h.string(u"supplier"_s) : h.string(u"name_user"_s));
    m_currency->setText(code);
    m_sum->setText(Catalog::MoneyFormats::text(m_doc->proformaSum(), code));
    m_scheme->setText(h.string(u"pf_plan_oplat"_s));
    setWindowTitle(u"График оплат счета %1"_s.arg(pfId));
    showTotal();
}

void TedPaymentPlan::showTotal()
{
    const Money t = m_doc->total();
    const QString code = m_doc->dsHead.isEmpty() ? QString() : m_doc->dsHead.string(u"pf_cod_valut"_s);
    m_total->setText(t >= m_doc->proformaSum() && !m_doc->proformaSum().isZero()
                         ? TdmEditPayPlan::AllDistributedMessage
                         : u"Распределено %1 из %2"_s.arg(Catalog::MoneyFormats::text(t, code),
                                                          Catalog::MoneyFormats::text(m_doc->proformaSum(), code)));
}

void TedPaymentPlan::addRow()
{
    guarded([this] {
        m_doc->dsBody.checkBrowseMode();
        m_doc->dsBody.insert();
        m_doc->dsBody.post();
        m_grid->setFocus();
    });
}

void TedPaymentPlan::deleteRow()
{
    guarded([this] {
        m_doc->dsBody.checkBrowseMode();
        if (!m_doc->dsBody.isEmpty())
            m_doc->dsBody.remove();
    });
}

bool TedPaymentPlan::save()
{
    bool saved = false;
    guarded([&] { saved = m_doc->saveDocument(); });
    showTotal();
    return saved;
}

void TedPaymentPlan::closeEvent(QCloseEvent* event)
{
    bool changed = true;
    if (!guarded([&] { changed = m_doc->modified(); }))
        changed = true;
    if (changed && !EditorFrame::mayClose(this, CloseQuestion, [this] { return save(); })) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace Tarvo::Payments
