#include "catalog/ui/tlibraryform.h"
#include "catalog/ui/buttonshortcut.h"

#include "catalog/ui/tffind.h"
#include "core/exception.h"
#include "data/modules/tupdatedadoquery.h"
#include "data/rowset/trowset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QDialogButtonBox>
#include <QMdiSubWindow>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

// Draws the marked rows highlighted.
class MarkDelegate : public QStyledItemDelegate
{
public:
    MarkDelegate(const TLibraryForm& form, QString key, QObject* parent)
        : QStyledItemDelegate(parent), m_form(form), m_key(std::move(key))
    {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const Data::TRowSet& rs = m_form.dataSet();
        const int f = rs.fieldIndex(m_key);
        const Data::RowSetRow* row = rs.rowAt(index.row());
        if (f >= 0 && row && m_form.marks().isMarked(row->values.at(f).toLongLong())) {
            QStyleOptionViewItem o(option);
            painter->fillRect(o.rect, o.palette.highlight().color().lighter(150));
            o.palette.setColor(QPalette::Text, o.palette.highlightedText().color());
            o.font.setBold(true);
            QStyledItemDelegate::paint(painter, o, index);
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    const TLibraryForm& m_form;
    QString m_key;
};

} // namespace

TLibraryForm::TLibraryForm(Data::Database& db, Mode mode, const QString& keyField, QWidget* parent)
    : QDialog(parent), m_db(db), m_mode(mode), m_keyField(keyField),
      m_data(std::make_unique<Data::TUpdatedADOQuery>(&db))
{
    m_data->setReadOnly(true);
    resize(760, 480);
    m_layout = new QVBoxLayout(this);
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setItemDelegate(new MarkDelegate(*this, keyField, m_grid));
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, &TLibraryForm::activated);
}

TLibraryForm::~TLibraryForm()
{
    m_grid->setRowSet(nullptr);
}

void TLibraryForm::finishSetup(const QString& columnsSection)
{
    m_layout->addWidget(m_grid, 1);
    const bool picker = m_mode != Mode::Browse;
    Widgets::DialogButtons buttons(this, picker ? u"Выбрать"_s : u"Закрыть"_s,
                                   picker ? u"Отмена"_s : QString(), false);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this, picker] {
        if (picker)
            choose();
        else if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
            frame->close();
        else
            close();
    });
    const auto add = [&](const QString& text, const QKeySequence& key, auto slot) {
        QPushButton* b = buttons.addButton(text);
        bindShortcut(b, key);
        connect(b, &QPushButton::clicked, this, slot);
        m_buttons << b;
        return b;
    };
    add(u"Создать"_s, QKeySequence(Qt::Key_F2), [this] {
        const QVariant created = createRecord();
        if (!created.isValid())
            return;
        reopen();
        m_data->locate({locateField()}, {created});
    });
    add(u"Изменить"_s, QKeySequence(Qt::Key_F4), [this] {
        if (!m_data->isEmpty()) {
            editRecord();
            refresh();
        }
    });
    QPushButton* del = add(u"Удалить"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] {
        if (!m_data->isEmpty())
            deleteRecord();
    });
    del->setVisible(canDelete());
    add(u"Обновить"_s, QKeySequence(Qt::Key_F5), &TLibraryForm::refresh);
    QPushButton* mark = add(u"Отметить"_s, QKeySequence(Qt::Key_Insert), &TLibraryForm::markCurrent);
    mark->setVisible(m_mode == Mode::MultiSelect);
    // Ctrl+F is the grid's own "Найти...": a second one would make both ambiguous.
    QPushButton* find = add(u"Найти"_s, QKeySequence(), [] {});
    auto* menu = new QMenu(find);
    find->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { TfFind::fillMenu(menu, *m_data, this, m_grid); });
    m_buttons << buttons.acceptButton();
    if (buttons.rejectButton())
        m_buttons << buttons.rejectButton();
    m_layout->addWidget(buttons.box());
    m_grid->setColumnsSection(columnsSection);
    m_grid->setAccessibleName(windowTitle());
    reopen();
    m_grid->setFocus();
}

QPushButton* TLibraryForm::button(const QString& text) const
{
    for (QPushButton* b : m_buttons)
        if (b->text() == text)
            return b;
    return nullptr;
}

void TLibraryForm::reopen()
{
    m_grid->setRowSet(nullptr);
    m_data->close();
    prepare(*m_data);
    m_data->open();
    decorate(*m_data);
    // The columns the book leaves without a caption stay hidden, also when the saved settings
    // (restored by the grid) gave them their names as captions.
    QList<bool> hidden;
    for (int i = 0; i < m_data->fieldCount(); ++i)
        hidden << m_data->field(i).displayLabel.isEmpty();
    m_grid->setRowSet(m_data.get());
    for (int i = 0; i < m_data->fieldCount(); ++i)
        m_grid->setColumnHidden(i, hidden.at(i));
}

void TLibraryForm::refresh()
{
    const QString field = locateField();
    const QVariant current = m_data->isActive() && !m_data->isEmpty() ? m_data->value(field) : QVariant();
    reopen();
    if (current.isValid())
        m_data->locate({field}, {current});
}

void TLibraryForm::markCurrent()
{
    if (m_mode != Mode::MultiSelect || m_data->isEmpty())
        return;
    m_marks.toggle(m_data->integer(m_keyField));
    m_data->next();
    m_grid->viewport()->update();
}

void TLibraryForm::activated()
{
    switch (m_mode) {
    case Mode::SingleSelect:
        choose();
        break;
    case Mode::MultiSelect:
        if (!m_data->isEmpty()) {
            m_marks.toggle(m_data->integer(m_keyField));
            m_grid->viewport()->update();
        }
        break;
    case Mode::Browse:
        if (!m_data->isEmpty()) {
            editRecord();
            refresh();
        }
        break;
    }
}

void TLibraryForm::choose()
{
    if (m_mode == Mode::SingleSelect && m_data->isEmpty())
        return;
    m_chosen = true;
    QDialog::accept();
}

QString TLibraryForm::result() const
{
    if (!m_chosen)
        return {};
    if (m_mode == Mode::MultiSelect)
        return m_marks.result();
    return m_data->isEmpty() ? QString() : QString::number(m_data->integer(m_keyField));
}

void TLibraryForm::keyPressEvent(QKeyEvent* event)
{
    // Esc does nothing in a browsing document window; its close button and its frame close it.
    if (event->key() == Qt::Key_Escape && m_mode == Mode::Browse && !isModal()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace Tarvo::Catalog
