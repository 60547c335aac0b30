#include "BusOffer/ui/lineeditorwindow.h"

#include "widgets/guardedcommand.h"
#include "BusOffer/ui/editorwidgets.h"
#include "BusOffer/ui/offereditordatedialog.h"
#include "BusOffer/ui/offereditorlinedelegate.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/ui/buttonshortcut.h"
#include "core/exception.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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
using Direction = EditorDocument::Direction;

namespace {

const QString CurrencyQuestion = u"При изменении кода валюты цены изменятся! Продолжить?"_s;

} // namespace

LineEditorWindow::LineEditorWindow(std::unique_ptr<EditorDocument> doc, QWidget* parent)
    : QWidget(parent), m_doc(std::move(doc))
{
    buildCommonHeader();
}

LineEditorWindow::~LineEditorWindow()
{
    // The grid goes before the row sets it shows.
    if (m_grid)
        m_grid->setRowSet(nullptr);
}

void LineEditorWindow::buildCommonHeader()
{
    auto readOnly = [this](const QString& name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setAlignment(Qt::AlignRight);
        return e;
    };
    m_number = new QLabel(this);
    m_number->setObjectName(u"lblNumber"_s);
    QFont bold = m_number->font();
    bold.setBold(true);
    m_number->setFont(bold);
    m_dopNomer = new QLineEdit(this);
    m_dopNomer->setObjectName(u"edDopNomer"_s);
    m_dopNomer->setValidator(new QIntValidator(0, std::numeric_limits<int>::max(), m_dopNomer));
    m_urgency = new QComboBox(this);
    m_urgency->setObjectName(u"cbUrgency"_s);
    m_date = dateEdit(this, u"deDate"_s);
    m_currency = new QComboBox(this);
    m_currency->setObjectName(u"cbCurrency"_s);
    m_sum = readOnly(u"edSum"_s);
    m_sumValut = readOnly(u"edSumValut"_s);
    m_description = new QLineEdit(this);
    m_description->setObjectName(u"edDescription"_s);
    m_description->setMaxLength(100);
    m_sNomer = new QLineEdit(this);
    m_sNomer->setObjectName(u"edSNomer"_s);
    m_sNomer->setMaxLength(20);
    m_planStart = dateEdit(this, u"dePlanStart"_s);
    m_planEnd = dateEdit(this, u"dePlanEnd"_s);

    m_directionBox = new QGroupBox(u"Метод пересчета"_s, this);
    m_directionBox->setObjectName(u"gbDirection"_s);
    auto* dl = new QHBoxLayout(m_directionBox);
    m_rubToVal = new QRadioButton(u"из рублей в валюту"_s, m_directionBox);
    m_rubToVal->setObjectName(u"rbRubToVal"_s);
    m_valToRub = new QRadioButton(u"из валюты в рубли"_s, m_directionBox);
    m_valToRub->setObjectName(u"rbValToRub"_s);
    dl->addWidget(m_rubToVal);
    dl->addWidget(m_valToRub);
    m_directionGroup = new QButtonGroup(this);
    m_directionGroup->addButton(m_rubToVal, 0);
    m_directionGroup->addButton(m_valToRub, 1);

    auto text = [this](QLineEdit* e, const QString& name, bool number) {
        connect(e, &QLineEdit::textEdited, this, [this, name, number](const QString& t) {
            if (m_filling)
                return;
            guarded([&] {
                m_doc->setHeaderValue(field(name),
                                      number ? (t.isEmpty() ? QVariant(QMetaType::fromType<qint64>())
                                                            : QVariant(t.toLongLong()))
                                             : QVariant(t));
            });
        });
    };
    text(m_dopNomer, u"dopnomer"_s, true);
    text(m_description, u"description"_s, false);
    text(m_sNomer, u"snomer"_s, false);
    auto date = [this](QDateEdit* e, const QString& name) {
        connect(e, &QDateEdit::dateChanged, this, [this, e, name] {
            if (!m_filling)
                guarded([&] { m_doc->setHeaderValue(field(name), dateValue(e)); });
        });
        e->installEventFilter(this);
    };
    date(m_date, u"date"_s);
    date(m_planStart, u"plan_start"_s);
    date(m_planEnd, u"plan_end"_s);
    writesChoice(m_urgency, u"Urgency_ID"_s);
    clearedByDelete(m_urgency, u"Urgency_ID"_s);
    connect(m_currency, &QComboBox::activated, this, [this](int i) { currencyChosen(i); });
    m_currency->installEventFilter(this);
    connect(m_directionGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_doc->setDirection(id == 0 ? Direction::RoublesToCurrency : Direction::CurrencyToRoubles);
        applyDirection();
    });
}

QLabel* LineEditorWindow::buddyLabel(const QString& text, QWidget* buddy, QWidget* box)
{
    auto* l = new QLabel(text, box);
    l->setBuddy(buddy);
    return l;
}

void LineEditorWindow::placeCommonHeader(QGridLayout* g, QWidget* box, const QString& partyLabel, QWidget* party,
                                         const QString& dateLabel)
{
    g->addWidget(m_number, 0, 0, 1, 2);
    g->addWidget(buddyLabel(u"Дополнительный номер &1"_s, m_dopNomer, box), 0, 2);
    g->addWidget(m_dopNomer, 0, 3);
    g->addWidget(buddyLabel(u"С&рочность"_s, m_urgency, box), 0, 4);
    g->addWidget(m_urgency, 0, 5);
    g->addWidget(buddyLabel(partyLabel, party, box), 1, 0);
    g->addWidget(party, 1, 1, 1, 3);
    g->addWidget(buddyLabel(dateLabel, m_date, box), 1, 4);
    g->addWidget(m_date, 1, 5);
    g->addWidget(buddyLabel(u"&Код валюты"_s, m_currency, box), 2, 0);
    g->addWidget(m_currency, 2, 1);
    g->addWidget(buddyLabel(u"Сумма"_s, m_sum, box), 2, 2);
    g->addWidget(m_sum, 2, 3);
    g->addWidget(buddyLabel(u"Сумма валютная"_s, m_sumValut, box), 2, 4);
    g->addWidget(m_sumValut, 2, 5);
    g->addWidget(buddyLabel(u"О&писание"_s, m_description, box), 3, 0);
    g->addWidget(m_description, 3, 1, 1, 3);
    g->addWidget(buddyLabel(u"Дополнительный номер &2"_s, m_sNomer, box), 3, 4);
    g->addWidget(m_sNomer, 3, 5);
}

void LineEditorWindow::writesChoice(QComboBox* box, const QString& name)
{
    connect(box, &QComboBox::activated, this,
            [this, box, name](int i) { guarded([&] { m_doc->setHeaderValue(name, box->itemData(i)); }); });
}

void LineEditorWindow::clearedByDelete(QComboBox* box, const QString& name)
{
    m_cleared.append({box, name});
    box->installEventFilter(this);
}

void LineEditorWindow::finish(QGroupBox* header, const QList<Widgets::TDataGrid::Column>& columns,
                              const QString& columnsSection, const QString& linesName,
                              const QString& dateCaption, const QList<QWidget*>& headerOrder)
{
    const EditorDocumentLayout& L = m_doc->layout();
    const QString dateField = L.line(u"deliverydate"_s);
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridLines"_s);
    m_grid->setAccessibleName(linesName);
    OfferEditorRowSet& lines = m_doc->lines();
    auto format = [&](const QString& name, const QString& f) {
        lines.field(lines.fieldIndex(L.line(name))).displayFormat = f;
    };
    format(u"deliverydate"_s, u"dd.MM.yyyy"_s);
    format(u"amount"_s, Catalog::MoneyFormats::quantity());
    format(u"price"_s, Catalog::MoneyFormats::rouble());
    format(u"sum"_s, Catalog::MoneyFormats::rouble());
    format(u"sum_valut"_s, Catalog::MoneyFormats::currency());
    format(u"val_price"_s, Catalog::MoneyFormats::currency());
    m_grid->setRowSet(&lines);
    m_grid->setColumns(columns);
    m_grid->setColumnsSection(columnsSection);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_delegate = new OfferEditorLineDelegate([this](int column) { return m_grid->columnField(column); },
                                             [this](const QString& f) { return columnColour(f); }, this,
                                             dateField, dateCaption);
    m_grid->setItemDelegate(m_delegate);
    connect(m_delegate, &OfferEditorLineDelegate::fieldEdited, this,
            [this](const QString& f) { guarded([&] { m_doc->lineEdited(f); }); });
    connect(
        m_delegate, &OfferEditorLineDelegate::dateEllipsis, this, [this] { chooseDate(); },
        Qt::QueuedConnection);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { linesMenu()->popup(m_grid->viewport()->mapToGlobal(at)); });
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    m_linesChanged = lines.subscribeChanged([this](int) { updateState(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
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
    QList<QWidget*> order = headerOrder;
    order << m_grid << m_newProduct << m_deleteProduct << m_save << m_exit;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QMenu* LineEditorWindow::linesMenu()
{
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(u"menuLines"_s);
        QAction* all =
            m_menu->addAction(u"Установить все даты текущим значением"_s, this, [this] { setAllDates(); });
        all->setObjectName(u"actSetAllDates"_s);
        QAction* columns =
            m_menu->addAction(u"Настроить колонки"_s, this, [this] { m_grid->setupColumns(); });
        columns->setObjectName(u"actSetupColumns"_s);
    }
    m_menu->findChild<QAction*>(u"actSetAllDates"_s)
        ->setVisible(currentField().compare(m_doc->layout().line(u"deliverydate"_s), Qt::CaseInsensitive) ==
                         0 &&
                     !m_doc->lines().isEmpty());
    return m_menu;
}

QString LineEditorWindow::currentField() const
{
    const QModelIndex i = m_grid->currentIndex();
    return i.isValid() ? m_grid->columnField(i.column()) : QString();
}

QColor LineEditorWindow::columnColour(const QString& f) const
{
    const EditorDocumentLayout& L = m_doc->layout();
    auto is = [&](const QString& name) { return f.compare(L.line(name), Qt::CaseInsensitive) == 0; };
    const bool rub = m_doc->direction() == Direction::RoublesToCurrency;
    const bool rubSide = is(u"price"_s) || is(u"sum"_s);
    const bool valSide = is(u"val_price"_s) || is(u"sum_valut"_s);
    if (!rubSide && !valSide)
        return {};
    return rubSide == rub ? OfferEditorLineDelegate::inputColour()
                          : OfferEditorLineDelegate::computedColour();
}

void LineEditorWindow::applyDirection()
{
    const bool rub = m_doc->direction() == Direction::RoublesToCurrency;
    m_rubToVal->setChecked(rub);
    m_valToRub->setChecked(!rub);
    m_grid->viewport()->update();
}

bool LineEditorWindow::guarded(const std::function<void()>& action)
{
    if (Widgets::guardedCommand(this, windowTitle(), action))
        return true;
    fillHeader();
    return false;
}

void LineEditorWindow::shown(const QString& firstColumn, QWidget* newDocumentFocus)
{
    fillHeader();
    applyDirection();
    m_grid->setCurrentIndex(m_grid->model()->index(0, m_grid->fieldColumn(firstColumn)));
    (m_doc->isSaved() ? static_cast<QWidget*>(m_grid) : newDocumentFocus)->setFocus();
}

void LineEditorWindow::fillHeader()
{
    m_filling = true;
    const OfferEditorRowSet& h = m_doc->header();
    const bool open = m_doc->isOpen();
    auto value = [&](const QString& name) { return open ? h.value(field(name)) : QVariant(); };
    fillOwn(h, open);
    m_number->setText(open ? m_doc->title() : QString());
    const QVariant dopnomer = value(u"dopnomer"_s);
    m_dopNomer->setText(dopnomer.isNull() ? QString() : dopnomer.toString());
    m_urgency->setCurrentIndex(
        std::max(0, indexOfKey(m_urgency, open ? h.value(u"Urgency_ID"_s) : QVariant())));
    showDate(m_date, value(u"date"_s));
    const QString code = value(u"cod_valut"_s).toString();
    m_currency->setItemText(0, u"(рубли)"_s);
    m_currency->setCurrentIndex(
        std::max(0, indexOfKey(m_currency, code.isEmpty() ? QVariant(QString()) : code)));
    m_description->setText(value(u"description"_s).toString());
    m_sNomer->setText(value(u"snomer"_s).toString());
    showDate(m_planStart, value(u"plan_start"_s));
    showDate(m_planEnd, value(u"plan_end"_s));
    m_filling = false;
    updateState();
}

void LineEditorWindow::updateState()
{
    if (!m_newProduct)
        return;
    const bool open = m_doc->isOpen();
    m_newProduct->setEnabled(canAddProducts());
    m_deleteProduct->setEnabled(open && !m_doc->lines().isEmpty());
    m_number->setText(open ? m_doc->title() : QString());
    const OfferEditorRowSet& h = m_doc->header();
    m_sum->setText(open ? Catalog::MoneyFormats::text(h.money(field(u"sum"_s)), QString()) : QString());
    m_sumValut->setText(
        open ? Catalog::MoneyFormats::text(h.money(field(u"sum_valut"_s)), m_doc->currencyCode())
             : QString());
    stateShown();
}

void LineEditorWindow::save()
{
    guarded([&] {
        m_doc->postHeader();
        m_doc->postLines();
    });
    fillHeader();
}

void LineEditorWindow::deleteProduct()
{
    if (m_doc->lines().isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить товар?"_s, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    guarded([&] { m_doc->deleteCurrentLine(); });
    updateState();
}

void LineEditorWindow::chooseDate()
{
    if (!guarded([&] { m_doc->postHeader(); }))
        return;
    OfferEditorRowSet& lines = m_doc->lines();
    if (lines.recNo() < 0)
        return;
    OfferEditorDateDialog dialog(lines.value(m_doc->layout().line(u"deliverydate"_s)).toDateTime().date(),
                                 this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    guarded([&] { m_doc->setLineDate(dialog.date()); });
}

void LineEditorWindow::setAllDates()
{
    m_grid->setUpdatesEnabled(false);
    guarded([&] { m_doc->setAllDates(); });
    m_grid->setUpdatesEnabled(true);
}

void LineEditorWindow::currencyChosen(int index)
{
    const QString code = m_currency->itemData(index).toString();
    if (!m_doc->isOpen() || code == m_doc->currencyCode())
        return;
    if (QMessageBox::question(this, windowTitle(), CurrencyQuestion, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes) {
        fillHeader();
        return;
    }
    guarded([&] { m_doc->changeCurrency(code); });
    fillHeader();
}

bool LineEditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QDateEdit*>(watched)) {
        // Tab leaves a date at once (the parts are reached by the arrows), also a blank one,
        // where the edit would keep the focus for ever.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            focusNextPrevChild(key == Qt::Key_Tab &&
                               !(static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        for (const auto& [box, name] : m_cleared) {
            if (watched != box)
                continue;
            box->setCurrentIndex(0);
            guarded([&] { m_doc->setHeaderValue(name, QVariant(QMetaType::fromType<qint64>())); });
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
    if (!m_grid)
        return QWidget::eventFilter(watched, event);
    if (watched == m_grid && event->type() == QEvent::FocusIn) {
        // Leaving the header for the lines saves it.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
             reason == Qt::MouseFocusReason) &&
            m_doc->isOpen() && mayWriteHeader() && guarded([&] { m_doc->postHeader(); }))
            updateState();
    }
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        newProduct();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LineEditorWindow::closeEvent(QCloseEvent* event)
{
    EditorDocument::Closing closing = EditorDocument::Closing::Nothing;
    try {
        closing = m_doc->close();
    } catch (const Abort&) {
        event->ignore();
        return;
    } catch (const Exception& e) {
        if (QMessageBox::question(
                this, windowTitle(),
                u"%1: %2\r\nЗакрыть окно без сохранения?"_s.arg(m_doc->layout().notSaved, e.message()),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_doc->discard();
    }
    released();
    if (closing == EditorDocument::Closing::Saved)
        QMessageBox::information(this, windowTitle(), m_doc->layout().saved);
    event->accept();
}

void LineEditorWindow::closeWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

} // namespace Tarvo::BusOffer
