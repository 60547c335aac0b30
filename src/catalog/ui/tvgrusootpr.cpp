#include "catalog/ui/tvgrusootpr.h"
#include "catalog/ui/buttonshortcut.h"

#include "catalog/books/shipperstations.h"
#include "catalog/ui/bookfields.h"
#include "catalog/ui/gridedit.h"
#include "core/exception.h"
#include "data/engine/databaseerror.h"
#include "data/modules/tupdatedadodataset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

TvGrusoOtpr::TvGrusoOtpr(Data::Database& db, QWidget* parent)
    : QDialog(parent), m_db(db), m_stations(std::make_unique<Data::TUpdatedADOQuery>(&db)),
      m_partners(std::make_unique<Data::TUpdatedADOQuery>(&db)),
      m_departures(std::make_unique<Data::TUpdatedADODataSet>(&db))
{
    setWindowTitle(u"Грузоотправители"_s);
    resize(640, 520);
    m_stations->setSql(u"select sta_id, sta_name, sta_region from scm_station order by sta_name"_s);
    m_stations->setReadOnly(true);
    m_stations->open();
    m_partners->setSql(u"select name_user, n_user from _partner order by n_user"_s);
    m_partners->setReadOnly(true);
    m_partners->open();
    BookFields(*m_partners).label(u"name_user"_s, u"Наименование"_s).label(u"n_user"_s, u"Кратко"_s);

    m_departures->setSql(ShipperStations::ListSql);
    m_departures->onInternalPost = [this](Data::TUpdatedADODataSet& ds) {
        const ShipperStations book(m_db);
        try {
            if (ds.state() == Data::RowSetState::Insert)
                ds.setValue(u"scd_par_id"_s,
                            book.add(m_partners->string(u"n_user"_s), ds.integer(u"scd_sta_id"_s)));
            else
                book.change(ds.integer(u"scd_sta_id"_s), ds.originalValue(u"scd_sta_id"_s).toLongLong(),
                            ds.integer(u"scd_par_id"_s));
        } catch (const Data::DatabaseError& e) {
            if (e.nativeError() == Data::NativeError::Constraint)
                throw Exception(u"Эта станция уже есть у грузоотправителя"_s);
            throw;
        }
    };
    m_departures->onInternalDelete = [this](Data::TUpdatedADODataSet& ds) {
        ShipperStations(m_db).remove(ds.originalValue(u"scd_sta_id"_s).toLongLong(),
                                     ds.originalValue(u"scd_par_id"_s).toLongLong());
    };
    m_departures->setDataSource(m_partners.get(), {u"n_user"_s});
    m_departures->open();
    m_departures->addLookupField(u"sta_name"_s, Data::FieldType::String, u"scd_sta_id"_s, *m_stations,
                                 u"sta_id"_s, u"sta_name"_s);
    m_departures->addLookupField(u"sta_region"_s, Data::FieldType::String, u"scd_sta_id"_s, *m_stations,
                                 u"sta_id"_s, u"sta_region"_s);
    BookFields(*m_departures)
        .hide(u"scd_sta_id"_s)
        .hide(u"scd_par_id"_s)
        .label(u"sta_name"_s, u"Станция"_s)
        .label(u"sta_region"_s, u"Регион"_s);

    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Vertical, this);
    m_partnerGrid = new Widgets::TDataGrid(split);
    m_partnerGrid->setAccessibleName(u"Контрагенты"_s);
    m_partnerGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_partnerGrid->setRowSet(m_partners.get());
    m_departureGrid = new Widgets::TDataGrid(split);
    m_departureGrid->setAccessibleName(u"Станции отправления грузоотправителя"_s);
    m_departureGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_departureGrid->setRowSet(m_departures.get());
    BookFields::applyHidden(*m_departures, m_departureGrid);
    split->addWidget(m_partnerGrid);
    split->addWidget(m_departureGrid);
    layout->addWidget(split);

    Widgets::DialogButtons buttons(this, u"Выход"_s, QString());
    QPushButton* add = buttons.addButton(u"Добавить"_s);
    QPushButton* change = buttons.addButton(u"Изменить"_s);
    QPushButton* del = buttons.addButton(u"Удалить"_s);
    bindShortcut(add, QKeySequence(Qt::Key_Insert));
    bindShortcut(change, QKeySequence(Qt::Key_F4));
    bindShortcut(del, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(add, &QPushButton::clicked, this, [this] { addStation(); });
    connect(change, &QPushButton::clicked, this, [this] { changeStation(); });
    connect(del, &QPushButton::clicked, this, &TvGrusoOtpr::deleteStation);
    connect(m_departureGrid, &Widgets::TDataGrid::rowActivated, this, [this] { changeStation(); });
    layout->addWidget(buttons.box());
}

TvGrusoOtpr::~TvGrusoOtpr()
{
    m_departureGrid->setRowSet(nullptr);
    m_partnerGrid->setRowSet(nullptr);
    m_departures->setDataSource(nullptr, {});
}

qint64 TvGrusoOtpr::askStation(qint64 current)
{
    QStringList names;
    QList<qint64> ids;
    int selected = 0;
    for (int i = 0; i < m_stations->recordCount(); ++i) {
        const Data::RowSetRow* r = m_stations->rowAt(i);
        ids << r->values.at(0).toLongLong();
        names << r->values.at(1).toString();
        if (ids.last() == current)
            selected = i;
    }
    if (names.isEmpty()) {
        QMessageBox::information(this, windowTitle(), u"Справочник станций отправления пуст"_s);
        return 0;
    }
    bool ok = false;
    const QString name =
        QInputDialog::getItem(this, u"Станция отправления"_s, u"Станция:"_s, names, selected, false, &ok);
    return ok ? ids.value(names.indexOf(name)) : 0;
}

void TvGrusoOtpr::addStation(qint64 station)
{
    if (m_partners->isEmpty())
        return;
    if (!station)
        station = askStation(0);
    if (!station)
        return;
    appendRow(m_departureGrid, *m_departures);
    postStation(station);
}

void TvGrusoOtpr::changeStation(qint64 station)
{
    if (m_departures->isEmpty())
        return;
    if (!station)
        station = askStation(m_departures->integer(u"scd_sta_id"_s));
    if (!station)
        return;
    m_departures->edit();
    postStation(station);
}

void TvGrusoOtpr::postStation(qint64 station)
{
    m_departures->setValue(u"scd_sta_id"_s, station);
    try {
        m_departures->post();
    } catch (...) {
        m_departures->cancel();
        throw;
    }
}

void TvGrusoOtpr::deleteStation()
{
    if (m_departures->isEmpty())
        return;
    if (QMessageBox::question(this, windowTitle(), u"Удалить запись ?"_s, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    m_departures->remove();
}

} // namespace Tarvo::Catalog
