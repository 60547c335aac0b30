#include "catalog/ui/tednazntov.h"

#include "catalog/books/booktable.h"
#include "catalog/books/purposeattributes.h"
#include "catalog/ui/bookfields.h"
#include "catalog/ui/tedaddspr.h"
#include "data/modules/tupdatedadodataset.h"
#include "widgets/tdatagrid.h"

#include <QMenu>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

std::unique_ptr<Data::TUpdatedADODataSet> purposes(Data::Database& db)
{
    auto ds = std::make_unique<Data::TUpdatedADODataSet>(&db);
    ds->setSql(u"select SIGNIFIC, TIP_TOVAR, CHECK_SAVE, SHOW_OSTATOK from TIP_TOVR order by SIGNIFIC"_s);
    BookTable(u"TIP_TOVR"_s, {u"SIGNIFIC"_s},
              {u"SIGNIFIC"_s, u"TIP_TOVAR"_s, u"CHECK_SAVE"_s, u"SHOW_OSTATOK"_s})
        .onRefusal(BookTable::refusals(u"Назначение используется\r\nУдаление невозможно."_s,
                                       u"Назначение с таким кодом уже есть в справочнике"_s))
        .attach(*ds, db);
    ds->onNewRecord = [](Data::TRowSet& rs) {
        rs.setValue(u"CHECK_SAVE"_s, false);
        rs.setValue(u"SHOW_OSTATOK"_s, false);
    };
    ds->beforePost = [](Data::TRowSet& rs) { requireText(rs, u"SIGNIFIC"_s, u"Не задан код назначения"_s); };
    ds->open();
    BookFields(*ds)
        .label(u"SIGNIFIC"_s, u"Код"_s)
        .label(u"TIP_TOVAR"_s, u"Назначение"_s)
        .label(u"CHECK_SAVE"_s, u"Проверять при сохранении"_s)
        .label(u"SHOW_OSTATOK"_s, u"Показывать остаток"_s);
    for (const char* f : {"CHECK_SAVE", "SHOW_OSTATOK"})
        ds->field(ds->fieldIndexOrThrow(QString::fromLatin1(f))).displayFormat = u"да;нет"_s;
    return ds;
}

} // namespace

TedNaznTov::TedNaznTov(Data::Database& db, QWidget* parent)
    : TBookEditor(u"Назначения товаров"_s, purposes(db), parent), m_db(db),
      m_captions(PurposeAttributes::captions(PurposeAttributes::sharedFolder()))
{
    m_menu = new QMenu(this);
    if (PurposeAttributes::valuesTableExists(db)) {
        for (int i = 0; i < m_captions.size(); ++i)
            m_menu->addAction(m_captions.at(i), this, [this, i] { openValues(i); });
    }
    grid()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid(), &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (!m_menu->isEmpty())
            m_menu->popup(grid()->viewport()->mapToGlobal(p));
    });
}

void TedNaznTov::openValues(int number)
{
    saveRecord();
    if (dataSet().isEmpty())
        return;
    TedAddSpr values(m_db, dataSet().string(u"SIGNIFIC"_s), number, m_captions.value(number), this);
    values.exec();
}

} // namespace Tarvo::Catalog
