#include "catalog/ui/tffind.h"
#include "catalog/ui/buttonshortcut.h"

#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TfFind::TfFind(Data::TRowSet& rowSet, const QString& field, QWidget* parent)
    : QDialog(parent), m_rowSet(rowSet), m_search(std::make_unique<FieldSearch>(rowSet, field)),
      m_turn(new QTimer(this))
{
    m_turn->setSingleShot(true);
    m_turn->setInterval(0);
    connect(m_turn, &QTimer::timeout, this, &TfFind::searchTurn);
    const QString label = rowSet.field(rowSet.fieldIndexOrThrow(field)).caption();
    setWindowTitle(u"Поиск по полю <"_s + label + u">"_s);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_entry = new QLineEdit(this);
    connect(m_entry, &QLineEdit::textEdited, this, [this](const QString& t) {
        const int pos = m_entry->cursorPosition();
        m_entry->setText(t.toUpper());
        m_entry->setCursorPosition(pos);
    });
    auto* entryLabel = new QLabel(u"&Искать:"_s, this);
    entryLabel->setBuddy(m_entry);
    form->addRow(entryLabel, m_entry);
    layout->addLayout(form);

    auto* direction = new QGroupBox(u"Направление поиска"_s, this);
    auto* dl = new QHBoxLayout(direction);
    m_forward = new QRadioButton(u"&вперед"_s, direction);
    m_backward = new QRadioButton(u"&назад"_s, direction);
    m_forward->setChecked(true);
    dl->addWidget(m_forward);
    dl->addWidget(m_backward);
    layout->addWidget(direction);

    m_how = new QGroupBox(u"Как искать"_s, this);
    auto* hl = new QHBoxLayout(m_how);
    m_fromStart = new QRadioButton(u"По &началу"_s, m_how);
    m_contains = new QRadioButton(u"По в&ключению"_s, m_how);
    m_contains->setChecked(true);
    hl->addWidget(m_fromStart);
    hl->addWidget(m_contains);
    layout->addWidget(m_how);
    m_how->setVisible(m_search->kind() == FieldSearch::Kind::Text);

    m_closeOnHit = new QCheckBox(u"&Закрыть, если найдено"_s, this);
    m_closeOnHit->setChecked(true);
    layout->addWidget(m_closeOnHit);
    m_result = new QLabel(this);
    m_result->setAccessibleName(u"Результат поиска"_s);
    layout->addWidget(m_result);

    Widgets::DialogButtons buttons(this, u"Поиск"_s, u"Закрыть"_s, false);
    QPushButton* next = buttons.addButton(u"След. поиск"_s);
    bindShortcut(next, QKeySequence(Qt::Key_F3));
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this] { startSearch(false); });
    connect(next, &QPushButton::clicked, this, [this] { startSearch(true); });
    layout->addWidget(buttons.box());
    m_entry->setFocus();
}

TfFind::~TfFind() = default;

void TfFind::setEntry(const QString& text)
{
    m_entry->setText(text.toUpper());
}

void TfFind::setForwardOnly()
{
    m_forward->setChecked(true);
    m_backward->setEnabled(false);
}

bool TfFind::prepare(bool next)
{
    stopSearch();
    m_search->setForward(m_forward->isChecked());
    m_search->setFromStart(m_fromStart->isChecked());
    try {
        if (!next)
            m_search->setEntry(m_entry->text());
    } catch (const Exception& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
        m_entry->setFocus();
        return false;
    }
    if (next)
        m_search->startFindNext();
    else
        m_search->startFind();
    return true;
}

bool TfFind::search(bool next)
{
    if (!prepare(next))
        return false;
    FieldSearch::Step outcome;
    while ((outcome = m_search->step()) == FieldSearch::Step::Reading) {
    }
    finish(outcome);
    return outcome == FieldSearch::Step::Found;
}

bool TfFind::startSearch(bool next)
{
    if (!prepare(next))
        return false;
    searchTurn();
    return true;
}

void TfFind::searchTurn()
{
    FieldSearch::Step outcome = FieldSearch::Step::NotFound;
    try {
        outcome = m_search->step();
    } catch (...) {
        m_result->clear();
        throw;
    }
    if (outcome != FieldSearch::Step::Reading) {
        finish(outcome);
        return;
    }
    m_result->setText(u"Чтение… прочитано строк: %1 (Esc — прервать)"_s.arg(m_rowSet.recordCount()));
    m_turn->start();
}

void TfFind::finish(FieldSearch::Step outcome)
{
    const bool found = outcome == FieldSearch::Step::Found;
    m_result->setText(found ? u"Найдено"_s : u"Не найдено"_s);
    if (found && m_closeOnHit->isChecked())
        QDialog::accept();
}

bool TfFind::isSearching() const
{
    return m_turn->isActive();
}

void TfFind::stopSearch()
{
    if (!m_turn->isActive())
        return;
    m_turn->stop();
    m_result->setText(u"Поиск прерван"_s);
}

void TfFind::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isSearching()) {
        stopSearch();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfFind::reject()
{
    stopSearch();
    QDialog::reject();
}

QString TfFind::resultText() const
{
    return m_result->text();
}

void TfFind::run(Data::TRowSet& rowSet, const QString& field, QWidget* parent, const QString& entry)
{
    std::unique_ptr<TfFind> dialog;
    try {
        dialog = std::make_unique<TfFind>(rowSet, field, parent);
    } catch (const Exception& e) {
        QMessageBox::warning(parent, u"Поиск"_s, e.message());
        return;
    }
    if (!entry.isEmpty())
        dialog->setEntry(entry);
    dialog->exec();
}

void TfFind::fillMenu(QMenu* menu, Data::TRowSet& rowSet, QWidget* parent, const QTableView* grid)
{
    menu->clear();
    for (int i = 0; i < rowSet.fieldCount(); ++i) {
        if (grid && grid->isColumnHidden(i))
            continue;
        const Data::RowSetField& f = rowSet.field(i);
        const QString name = f.name;
        menu->addAction(u"< "_s + f.caption() + u" >"_s, parent,
                        [&rowSet, name, parent] { TfFind::run(rowSet, name, parent); });
    }
}

} // namespace Tarvo::Catalog
