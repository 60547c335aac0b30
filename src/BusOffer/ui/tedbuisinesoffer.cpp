#include "BusOffer/ui/tedbuisinesoffer.h"

#include "BusOffer/ui/editorwidgets.h"
#include "BusOffer/ui/offereditordatedialog.h"
#include "BusOffer/ui/offereditorlinedelegate.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/ui/buttonshortcut.h"
#include "catalog/ui/tfviewourprice.h"
#include "core/exception.h"
#include "messaging/tourtvrexchange.h"
#include "shell/ui/menuhooks.h"
#include "widgets/tdatagrid.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

using namespace EditorWidgets;

TedBuisinesOffer::TedBuisinesOffer(Data::Database& db, QWidget* parent)
    : QWidget(parent), m_db(db), m_doc(std::make_unique<OfferEditorDocument>(db))
{
    setObjectName(u"TedBuisinesOffer"_s);
    const QString caption = Shell::MenuHooks::tableCaption(u"bof_headers"_s);
    setWindowTitle(caption.isEmpty() ? u"Заявка покупателя"_s : caption);
    auto* layout = new QVBoxLayout(this);
    buildHeader();
    buildLines();
    layout->addWidget(findChild<QGroupBox*>(u"headerBox"_s));
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    m_newProduct = new QPushButton(u"Нов. товар"_s, this);
    m_newProduct->setObjectName(u"btnNewProduct"_s);
    Catalog::bindShortcut(m_newProduct, QKeySequence(Qt::CTRL | Qt::Key_Insert));
    m_deleteProduct = new QPushButton(u"Удал. товар"_s, this);
    m_deleteProduct->setObjectName(u"btnDeleteProduct"_s);
    Catalog::bindShortcut(m_deleteProduct, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m_save = new QPushButton(u"Сохранить"_s, this);
    m_save->setObjectName(u"btnSave"_s);
    Catalog::bindShortcut(m_save, QKeySequence(Qt::CTRL | Qt::Key_S));
    m_exit = new QPushButton(u"Выход"_s, this);
    m_exit->setObjectName(u"btnExit"_s);
    buttons->addWidget(m_newProduct);
    buttons->addWidget(m_deleteProduct);
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);

    connect(m_newProduct, &QPushButton::clicked, this, [this] { newProduct(); });
    connect(m_deleteProduct, &QPushButton::clicked, this, [this] { deleteProduct(); });
    connect(m_save, &QPushButton::clicked, this, [this] { save(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { closeWindow(); });

    // Tab goes through the header as it reads, then the lines, then the buttons.
    const QList<QWidget*> order{m_dopNomer, m_urgency,  m_person, m_date,     m_currency,
                                m_description, m_sNomer, m_planStart, m_planEnd, m_rubToVal,
                                m_valToRub, m_grid,    m_newProduct, m_deleteProduct, m_save,
                                m_exit};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    resize(900, 560);
}

TedBuisinesOffer::~TedBuisinesOffer()
{
    // The grid goes before the row sets it shows.
    m_grid->setRowSet(nullptr);
}

void TedBuisinesOffer::buildHeader()
{
    auto* box = new QGroupBox(this);
    box->setObjectName(u"headerBox"_s);
    auto* g = new QGridLayout(box);
    auto label = [box](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, box);
        l->setBuddy(buddy);
        return l;
    };

    m_number = new QLabel(box);
    m_number->setObjectName(u"lblNumber"_s);
    QFont bold = m_number->font();
    bold.setBold(true);
    m_number->setFont(bold);
    m_number->setAccessibleName(u"Номер заявки"_s);

    m_dopNomer = new QLineEdit(box);
    m_dopNomer->setObjectName(u"edDopNomer"_s);
    m_dopNomer->setValidator(new QIntValidator(0, std::numeric_limits<int>::max(), m_dopNomer));
    m_urgency = new QComboBox(box);
    m_urgency->setObjectName(u"cbUrgency"_s);
    m_person = new QComboBox(box);
    m_person->setObjectName(u"cbPerson"_s);
    m_person->setMinimumContentsLength(24);
    m_date = dateEdit(box, u"deDate"_s);
    m_currency = new QComboBox(box);
    m_currency->setObjectName(u"cbCurrency"_s);
    m_sum = new QLineEdit(box);
    m_sum->setObjectName(u"edSum"_s);
    m_sum->setReadOnly(true);
    m_sum->setFocusPolicy(Qt::NoFocus);
    m_sum->setAlignment(Qt::AlignRight);
    m_sumValut = new QLineEdit(box);
    m_sumValut->setObjectName(u"edSumValut"_s);
    m_sumValut->setReadOnly(true);
    m_sumValut->setFocusPolicy(Qt::NoFocus);
    m_sumValut->setAlignment(Qt::AlignRight);
    m_description = new QLineEdit(box);
    m_description->setObjectName(u"edDescription"_s);
    m_description->setMaxLength(100);
    m_sNomer = new QLineEdit(box);
    m_sNomer->setObjectName(u"edSNomer"_s);
    m_sNomer->setMaxLength(20);
    m_planStart = dateEdit(box, u"dePlanStart"_s);
    m_planEnd = dateEdit(box, u"dePlanEnd"_s);

    auto* direction = new QGroupBox(u"Метод пересчета"_s, box);
    direction->setObjectName(u"gbDirection"_s);
    auto* dl = new QHBoxLayout(direction);
    m_rubToVal = new QRadioButton(u"из рублей в валюту"_s, direction);
    m_rubToVal->setObjectName(u"rbRubToVal"_s);
    m_valToRub = new QRadioButton(u"из валюты в рубли"_s, direction);
    m_valToRub->setObjectName(u"rbValToRub"_s);
    dl->addWidget(m_rubToVal);
    dl->addWidget(m_valToRub);
    m_directionGroup = new QButtonGroup(this);
    m_directionGroup->addButton(m_rubToVal, 0);
    m_directionGroup->addButton(m_valToRub, 1);

    g->addWidget(m_number, 0, 0, 1, 2);
    g->addWidget(label(u"Дополнительный номер &1"_s, m_dopNomer), 0, 2);
    g->addWidget(m_dopNomer, 0, 3);
    g->addWidget(label(u"С&рочность"_s, m_urgency), 0, 4);
    g->addWidget(m_urgency, 0, 5);
    g->addWidget(label(u"&От кого"_s, m_person), 1, 0);
    g->addWidget(m_person, 1, 1, 1, 3);
    g->addWidget(label(u"&Дата предложения"_s, m_date), 1, 4);
    g->addWidget(m_date, 1, 5);
    g->addWidget(label(u"&Код валюты"_s, m_currency), 2, 0);
    g->addWidget(m_currency, 2, 1);
    g->addWidget(label(u"Сумма"_s, m_sum), 2, 2);
    g->addWidget(m_sum, 2, 3);
    g->addWidget(label(u"Сумма валютная"_s, m_sumValut), 2, 4);
    g->addWidget(m_sumValut, 2, 5);
    g->addWidget(label(u"О&писание"_s, m_description), 3, 0);
    g->addWidget(m_description, 3, 1, 1, 3);
    g->addWidget(label(u"Дополнительный номер &2"_s, m_sNomer), 3, 4);
    g->addWidget(m_sNomer, 3, 5);
    auto* plan = new QHBoxLayout;
    plan->addWidget(label(u"&с"_s, m_planStart));
    plan->addWidget(m_planStart);
    plan->addWidget(label(u"по"_s, m_planEnd));
    plan->addWidget(m_planEnd);
    plan->addStretch(1);
    g->addWidget(new QLabel(u"Интервал плана"_s, box), 4, 0);
    g->addLayout(plan, 4, 1, 1, 3);
    g->addWidget(direction, 4, 4, 1, 2);
    m_planStart->setAccessibleName(u"Интервал плана с"_s);
    m_planEnd->setAccessibleName(u"Интервал плана по"_s);

    auto text = [this](QLineEdit* e, const QString& field, bool number) {
        connect(e, &QLineEdit::textEdited, this, [this, field, number](const QString& t) {
            if (m_filling)
                return;
            guarded([&] {
                m_doc->setHeaderValue(field, number ? (t.isEmpty() ? QVariant(QMetaType::fromType<qint64>())
                                                                  : QVariant(t.toLongLong()))
                                                    : QVariant(t));
            });
        });
    };
    text(m_dopNomer, u"bof_dopnomer"_s, true);
    text(m_description, u"bof_description"_s, false);
    text(m_sNomer, u"bof_snomer"_s, false);
    auto date = [this](QDateEdit* e, const QString& field) {
        connect(e, &QDateEdit::dateChanged, this, [this, e, field] {
            if (!m_filling)
                guarded([&] { m_doc->setHeaderValue(field, dateValue(e)); });
        });
        e->installEventFilter(this);
    };
    date(m_date, u"bof_date"_s);
    date(m_planStart, u"bof_plan_start"_s);
    date(m_planEnd, u"bof_plan_end"_s);
    connect(m_urgency, &QComboBox::activated, this, [this](int i) {
        guarded([&] { m_doc->setHeaderValue(u"Urgency_ID"_s, m_urgency->itemData(i)); });
    });
    connect(m_person, &QComboBox::activated, this, [this](int i) {
        guarded([&] { m_doc->setHeaderValue(u"bof_person"_s, m_person->itemData(i)); });
    });
    connect(m_currency, &QComboBox::activated, this, [this](int i) { currencyChosen(i); });
    m_urgency->installEventFilter(this);
    m_currency->installEventFilter(this);
    connect(m_directionGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_doc->setDirection(id == 0 ? OfferEditorDocument::Direction::RoublesToCurrency
                                    : OfferEditorDocument::Direction::CurrencyToRoubles);
        applyDirection();
    });
}

void TedBuisinesOffer::buildLines()
{
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridLines"_s);
    m_grid->setAccessibleName(u"Товары заявки"_s);
    OfferEditorRowSet& lines = m_doc->lines();
    auto format = [&lines](const QString& field, const QString& f) {
        lines.field(lines.fieldIndex(field)).displayFormat = f;
    };
    format(u"bpd_deliverydate"_s, u"dd.MM.yyyy"_s);
    format(u"bpd_amount"_s, Catalog::MoneyFormats::quantity());
    format(u"bpd_price"_s, Catalog::MoneyFormats::rouble());
    format(u"bpd_sum"_s, Catalog::MoneyFormats::rouble());
    format(u"bpd_sum_valut"_s, Catalog::MoneyFormats::currency());
    format(u"bpd_val_price"_s, Catalog::MoneyFormats::currency());
    m_grid->setRowSet(&lines);
    m_grid->setColumns({{u"pr_articul"_s, u"Артикул"_s, 110},
                        {u"pr_name"_s, u"Наименование"_s, 220},
                        {u"bpd_deliverydate"_s, u"План. дата доставки"_s, 120},
                        {u"bpd_amount"_s, u"Количество"_s, 80},
                        {u"bpd_price"_s, u"Цена"_s, 90},
                        {u"bpd_sum"_s, u"Сумма"_s, 100},
                        {u"bpd_sum_valut"_s, u"Сумма валютная"_s, 100},
                        {u"bpd_val_price"_s, u"Цена валютная"_s, 90},
                        {u"bpd_description"_s, u"Описание"_s, 160}});
    m_grid->setColumnsSection(u"TedBuisinesOffer.Lines"_s);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_delegate = new OfferEditorLineDelegate([this](int column) { return m_grid->columnField(column); },
                                             [this](const QString& field) { return columnColour(field); }, this);
    m_grid->setItemDelegate(m_delegate);
    connect(m_delegate, &OfferEditorLineDelegate::fieldEdited, this,
            [this](const QString& field) { guarded([&] { m_doc->lineEdited(field); }); });
    connect(m_delegate, &OfferEditorLineDelegate::dateEllipsis, this, [this] { chooseDate(); },
            Qt::QueuedConnection);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { linesMenu()->popup(m_grid->viewport()->mapToGlobal(at)); });
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    m_linesChanged = lines.subscribeChanged([this](int) { updateState(); });
}

QMenu* TedBuisinesOffer::linesMenu()
{
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(u"menuLines"_s);
        QAction* all = m_menu->addAction(u"Установить все даты текущим значением"_s, this, [this] { setAllDates(); });
        all->setObjectName(u"actSetAllDates"_s);
        QAction* columns = m_menu->addAction(u"Настроить колонки"_s, this, [this] { m_grid->setupColumns(); });
        columns->setObjectName(u"actSetupColumns"_s);
    }
    m_menu->findChild<QAction*>(u"actSetAllDates"_s)
        ->setVisible(currentField().compare(OfferEditorLineDelegate::DateField, Qt::CaseInsensitive) == 0 &&
                     !m_doc->lines().isEmpty());
    return m_menu;
}

QString TedBuisinesOffer::currentField() const
{
    const QModelIndex i = m_grid->currentIndex();
    return i.isValid() ? m_grid->columnField(i.column()) : QString();
}

QColor TedBuisinesOffer::columnColour(const QString& field) const
{
    const bool rub = m_doc->direction() == OfferEditorDocument::Direction::RoublesToCurrency;
    const bool rubSide = field.compare(u"bpd_price"_s, Qt::CaseInsensitive) == 0 ||
                         field.compare(u"bpd_sum"_s, Qt::CaseInsensitive) == 0;
    const bool valSide = field.compare(u"bpd_val_price"_s, Qt::CaseInsensitive) == 0 ||
                         field.compare(u"bpd_sum_valut"_s, Qt::CaseInsensitive) == 0;
    if (!rubSide && !valSide)
        return {};
    return rubSide == rub ? OfferEditorLineDelegate::inputColour() : OfferEditorLineDelegate::computedColour();
}

void TedBuisinesOffer::applyDirection()
{
    const bool rub = m_doc->direction() == OfferEditorDocument::Direction::RoublesToCurrency;
    m_rubToVal->setChecked(rub);
    m_valToRub->setChecked(!rub);
    m_grid->viewport()->update();
}

bool TedBuisinesOffer::guarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const Abort&) {
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    fillHeader();
    return false;
}

void TedBuisinesOffer::loadOffer(qint64 bofId)
{
    // What the closing rules did to the request shown before is not announced: the user asked
    // for another one, not for closing.
    if (!guarded([&] { m_doc->open(bofId); }))
        return;
    fillHeader();
    applyDirection();
    m_grid->setCurrentIndex(m_grid->model()->index(0, m_grid->fieldColumn(u"pr_articul"_s)));
    (m_doc->isSaved() ? static_cast<QWidget*>(m_grid) : m_person)->setFocus();
}

void TedBuisinesOffer::fillHeader()
{
    m_filling = true;
    OfferEditorLookups& lookups = m_doc->lookups();
    auto fill = [](QComboBox* box, const QList<OfferEditorLookups::Item>& items, bool blank) {
        box->clear();
        if (blank)
            box->addItem(QString(), QVariant());
        for (const auto& i : items)
            box->addItem(i.text, i.key);
    };
    fill(m_urgency, lookups.urgencies(), true);
    fill(m_person, lookups.counterparties(), true);
    fill(m_currency, lookups.currencies(), false);
    m_currency->setItemText(0, u"(рубли)"_s);
    const OfferEditorRowSet& h = m_doc->header();
    const bool open = m_doc->isOpen();
    auto value = [&](const QString& f) { return open ? h.value(f) : QVariant(); };
    m_number->setText(open ? m_doc->title() : QString());
    m_dopNomer->setText(value(u"bof_dopnomer"_s).isNull() ? QString() : value(u"bof_dopnomer"_s).toString());
    m_urgency->setCurrentIndex(std::max(0, indexOfKey(m_urgency, value(u"Urgency_ID"_s))));
    m_person->setCurrentIndex(std::max(0, indexOfKey(m_person, value(u"bof_person"_s))));
    showDate(m_date, value(u"bof_date"_s));
    const QString code = value(u"bof_cod_valut"_s).toString();
    m_currency->setCurrentIndex(std::max(0, indexOfKey(m_currency, code.isEmpty() ? QVariant(QString()) : code)));
    m_sum->setText(Catalog::MoneyFormats::text(Money::fromVariant(value(u"bof_sum"_s)), QString()));
    m_sumValut->setText(Catalog::MoneyFormats::text(Money::fromVariant(value(u"bof_sum_valut"_s)), code));
    m_description->setText(value(u"bof_description"_s).toString());
    m_sNomer->setText(value(u"bof_snomer"_s).toString());
    showDate(m_planStart, value(u"bof_plan_start"_s));
    showDate(m_planEnd, value(u"bof_plan_end"_s));
    m_filling = false;
    updateState();
}

void TedBuisinesOffer::updateState()
{
    if (!m_number)
        return;
    const bool open = m_doc->isOpen();
    m_newProduct->setEnabled(open && m_doc->isSaved());
    m_deleteProduct->setEnabled(open && !m_doc->lines().isEmpty());
    m_number->setText(open ? m_doc->title() : QString());
    if (open && !m_filling) {
        const OfferEditorRowSet& h = m_doc->header();
        const QString code = h.string(u"bof_cod_valut"_s);
        m_sum->setText(Catalog::MoneyFormats::text(h.money(u"bof_sum"_s), QString()));
        m_sumValut->setText(Catalog::MoneyFormats::text(h.money(u"bof_sum_valut"_s), code));
    }
}

void TedBuisinesOffer::saveHeader()
{
    if (guarded([&] { m_doc->postHeader(); }))
        updateState();
}

void TedBuisinesOffer::save()
{
    guarded([&] {
        m_doc->postHeader();
        m_doc->postLines();
    });
    fillHeader();
}

void TedBuisinesOffer::newProduct()
{
    if (!guarded([&] {
            m_doc->postHeader();
            m_doc->postLines();
        }))
        return;
    updateState();
    if (!m_doc->isSaved())
        return;
    if (!m_productPicked.get()) {
        m_productPicked = Messaging::TRegistrationGuard(
            Messaging::DataRegistration().Register<Messaging::TOurTvrExchange>(
                [this](Messaging::TOurTvrExchange& e) {
                    if (!m_doc->isOpen())
                        return;
                    guarded([&] { m_doc->addProduct(e); });
                    updateState();
                },
                this));
    }
    Catalog::TfViewOurPrice::showChooser(m_db);
}

void TedBuisinesOffer::deleteProduct()
{
    if (m_doc->lines().isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить товар?"_s, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    guarded([&] { m_doc->deleteCurrentLine(); });
    updateState();
}

void TedBuisinesOffer::chooseDate()
{
    if (!guarded([&] { m_doc->postHeader(); }))
        return;
    OfferEditorRowSet& lines = m_doc->lines();
    if (lines.recNo() < 0)
        return;
    OfferEditorDateDialog dialog(lines.value(u"bpd_deliverydate"_s).toDateTime().date(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    guarded([&] { m_doc->setLineDate(dialog.date()); });
}

void TedBuisinesOffer::setAllDates()
{
    m_grid->setUpdatesEnabled(false);
    guarded([&] { m_doc->setAllDates(); });
    m_grid->setUpdatesEnabled(true);
}

void TedBuisinesOffer::currencyChosen(int index)
{
    const QString code = m_currency->itemData(index).toString();
    if (!m_doc->isOpen() || code == m_doc->header().string(u"bof_cod_valut"_s))
        return;
    if (QMessageBox::question(this, windowTitle(), u"При изменении кода валюты цены изменятся! Продолжить?"_s,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        fillHeader();
        return;
    }
    guarded([&] { m_doc->changeCurrency(code); });
    fillHeader();
}

bool TedBuisinesOffer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QDateEdit*>(watched)) {
        // Tab leaves a date at once (the parts are reached by the arrows), also a blank one,
        // where the edit would keep the focus for ever.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            focusNextPrevChild(key == Qt::Key_Tab && !(static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (watched == m_urgency) {
            m_urgency->setCurrentIndex(0);
            guarded([&] { m_doc->setHeaderValue(u"Urgency_ID"_s, QVariant(QMetaType::fromType<qint64>())); });
            return true;
        }
        if (watched == m_currency) {
            currencyChosen(0);
            return true;
        }
        if (auto* d = qobject_cast<QDateEdit*>(watched)) {
            d->setDate(NoDate);
            return true;
        }
    }
    if (watched == m_grid && event->type() == QEvent::FocusIn) {
        // Leaving the header for the lines saves it (once it has someone to come from).
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason) &&
            m_doc->isOpen() && !m_doc->header().isNull(u"bof_person"_s))
            saveHeader();
    }
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        newProduct();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TedBuisinesOffer::closeEvent(QCloseEvent* event)
{
    OfferEditorDocument::Closing closing = OfferEditorDocument::Closing::Nothing;
    try {
        closing = m_doc->close();
    } catch (const Abort&) {
        event->ignore();
        return;
    } catch (const Exception& e) {
        if (QMessageBox::question(this, windowTitle(),
                                  u"Заявка не сохранена: %1\r\nЗакрыть окно без сохранения?"_s.arg(e.message()),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_doc->discard();
    }
    m_productPicked.reset();
    if (closing == OfferEditorDocument::Closing::Saved)
        QMessageBox::information(this, windowTitle(), OfferEditorDocument::SavedMessage);
    event->accept();
}

void TedBuisinesOffer::closeWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

} // namespace Tarvo::BusOffer
