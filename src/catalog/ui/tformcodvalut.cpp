#include "catalog/ui/tformcodvalut.h"
#include "catalog/ui/buttonshortcut.h"

#include "catalog/books/booktable.h"
#include "catalog/currency/currencyrates.h"
#include "catalog/currency/currencyreferences.h"
#include "catalog/ui/gridedit.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadodataset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString TFormCodValut::CurrencyUsed = u"Валюта исрользуется\r\nУдаление не возможно"_s;
const QString TFormCodValut::QuotationExists = u"Котировка за эту дату уже существует"_s;

namespace {

void label(Data::TRowSet& rs, const QString& field, const QString& caption)
{
    const int i = rs.fieldIndex(field);
    if (i >= 0)
        rs.field(i).displayLabel = caption;
}

} // namespace

TFormCodValut::TFormCodValut(Data::Database& db, QWidget* parent)
    : QDialog(parent), m_db(db), m_currencies(std::make_unique<Data::TUpdatedADODataSet>(&db)),
      m_quotations(std::make_unique<Data::TUpdatedADODataSet>(&db))
{
    setWindowTitle(u"Коды Валют"_s);
    resize(620, 420);
    m_currencies->setSql(u"select CODVALUT, NAMEVALUT, RELCOD from VALUTCOD order by CODVALUT"_s);
    BookTable(u"VALUTCOD"_s, {u"CODVALUT"_s}, {u"CODVALUT"_s, u"NAMEVALUT"_s, u"RELCOD"_s})
        .onRefusal(BookTable::refusals(CurrencyUsed, u"Валюта с таким кодом уже есть в справочнике"_s))
        .checkBeforeDelete([](Data::Database& d, const Data::TUpdatedADODataSet& row) {
            if (CurrencyReferences::inUse(d, row.originalValue(u"CODVALUT"_s).toString()))
                throw Exception(CurrencyUsed);
        })
        .attach(*m_currencies, db);
    m_currencies->beforePost = [this](Data::TRowSet& rs) {
        const QString code = rs.string(u"CODVALUT"_s).trimmed();
        if (code.isEmpty())
            throw Exception(u"Не задан код валюты"_s);
        rs.setValue(u"CODVALUT"_s, code);
        const QString rel = rs.string(u"RELCOD"_s).trimmed();
        if (!rel.isEmpty() && rel.compare(code, Qt::CaseInsensitive) != 0 &&
            m_db.scalar(u"select count(*) from VALUTCOD where CODVALUT = ?"_s, {rel}).toLongLong() == 0)
            throw Exception(u"Валюты \"%1\" нет в справочнике"_s.arg(rel));
    };
    m_currencies->open();
    label(*m_currencies, u"CODVALUT"_s, u"Код"_s);
    label(*m_currencies, u"NAMEVALUT"_s, u"Название"_s);
    label(*m_currencies, u"RELCOD"_s, u"Конверт"_s);

    m_quotations->setSql(
        QStringList{u"select codvalut, datecotir, valcotir from cotirval where codvalut=:codvalut"_s,
                    u"order by datecotir desc"_s});
    m_quotations->setParameter(u"codvalut"_s, QString());
    BookTable(u"cotirval"_s, {u"codvalut"_s, u"datecotir"_s}, {u"codvalut"_s, u"datecotir"_s, u"valcotir"_s})
        .onRefusal([](const Data::DatabaseError& e, bool deleting) {
            if (!deleting && (e.nativeError() == Data::NativeError::Constraint ||
                              e.nativeError() == Data::NativeError::UniqueIndex))
                throw Exception(QuotationExists);
        })
        .attach(*m_quotations, db);
    m_quotations->onNewRecord = [this](Data::TRowSet& rs) {
        rs.setValue(u"codvalut"_s, m_currencies->isEmpty() ? QString() : m_currencies->string(u"CODVALUT"_s));
        rs.setValue(u"datecotir"_s, QDateTime(QDate::currentDate(), QTime(0, 0)));
    };
    m_quotations->beforePost = [](Data::TRowSet& rs) {
        if (rs.string(u"codvalut"_s).isEmpty())
            throw Exception(u"Сначала выберите валюту"_s);
        CurrencyRates::checkRate(rs.value(u"valcotir"_s).toDouble());
        const QDateTime d = rs.value(u"datecotir"_s).toDateTime();
        if (!d.isValid())
            throw Exception(u"Необходимо ввести дату."_s);
        rs.setValue(u"datecotir"_s, QDateTime(d.date(), QTime(0, 0)));
    };
    m_quotations->setDataSource(m_currencies.get(), {u"CODVALUT"_s});
    m_quotations->setParameter(u"codvalut"_s,
                               m_currencies->isEmpty() ? QString() : m_currencies->string(u"CODVALUT"_s));
    m_quotations->open();
    label(*m_quotations, u"codvalut"_s, u"Код валюты"_s);
    label(*m_quotations, u"datecotir"_s, u"Дата"_s);
    label(*m_quotations, u"valcotir"_s, u"Курс"_s);

    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_currencyGrid = new Widgets::TDataGrid(m_pages);
    m_currencyGrid->setAccessibleName(u"Коды валют"_s);
    m_currencyGrid->setRowSet(m_currencies.get());
    m_quotationGrid = new Widgets::TDataGrid(m_pages);
    m_quotationGrid->setAccessibleName(u"Котировки"_s);
    m_quotationGrid->setRowSet(m_quotations.get());
    m_pages->addTab(m_currencyGrid, u"Коды валют"_s);
    m_pages->addTab(m_quotationGrid, u"Котировки"_s);
    layout->addWidget(m_pages);
    for (auto* g : {m_currencyGrid, m_quotationGrid})
        g->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        m_currencies->checkBrowseMode();
        m_quotations->checkBrowseMode();
    });

    Widgets::DialogButtons buttons(this, u"Выход"_s, QString());
    QPushButton* add = buttons.addButton(u"Добавить"_s);
    QPushButton* save = buttons.addButton(u"Сохранить"_s);
    QPushButton* del = buttons.addButton(u"Удалить"_s);
    bindShortcut(add, QKeySequence(Qt::Key_Insert));
    bindShortcut(save, QKeySequence(Qt::CTRL | Qt::Key_S));
    bindShortcut(del, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(add, &QPushButton::clicked, this, &TFormCodValut::addRecord);
    connect(save, &QPushButton::clicked, this, &TFormCodValut::saveRecord);
    connect(del, &QPushButton::clicked, this, &TFormCodValut::deleteRecord);
    layout->addWidget(buttons.box());
}

TFormCodValut::~TFormCodValut()
{
    m_quotationGrid->setRowSet(nullptr);
    m_currencyGrid->setRowSet(nullptr);
    m_quotations->setDataSource(nullptr, {});
}

Data::TUpdatedADODataSet& TFormCodValut::current() const
{
    return m_pages->currentIndex() == 0 ? *m_currencies : *m_quotations;
}

Widgets::TDataGrid* TFormCodValut::currentGrid() const
{
    return m_pages->currentIndex() == 0 ? m_currencyGrid : m_quotationGrid;
}

void TFormCodValut::addRecord()
{
    commitGridEdit(currentGrid());
    current().checkBrowseMode();
    appendRow(currentGrid(), current());
    currentGrid()->setFocus();
}

void TFormCodValut::saveRecord()
{
    commitGridEdit(currentGrid());
    current().checkBrowseMode();
}

void TFormCodValut::deleteRecord()
{
    commitGridEdit(currentGrid());
    Data::TUpdatedADODataSet& ds = current();
    if (ds.state() == Data::RowSetState::Insert) {
        ds.cancel();
        return;
    }
    if (ds.isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить запись ?"_s, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    ds.checkBrowseMode();
    try {
        ds.remove();
    } catch (const Exception& e) {
        if (e.message() != CurrencyUsed)
            throw;
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

void TFormCodValut::accept()
{
    saveRecord();
    QDialog::accept();
}

void TFormCodValut::reject()
{
    for (auto* ds : {m_currencies.get(), m_quotations.get()})
        if (ds->state() != Data::RowSetState::Browse)
            ds->cancel();
    QDialog::reject();
}

} // namespace Tarvo::Catalog
