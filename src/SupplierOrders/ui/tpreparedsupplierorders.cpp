#include "SupplierOrders/ui/tpreparedsupplierorders.h"

#include "SupplierOrders/supplierorderforming.h"
#include "SupplierOrders/supplierorderpreparation.h"
#include "SupplierOrders/ui/formgrids.h"
#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using Tarvo::Data::FieldType;

namespace Tarvo::SupplierOrders {

QString TPreparedSupplierOrders::title()
{
    return u"Подготовленны заказы поставщикам"_s;
}

TPreparedSupplierOrders::TPreparedSupplierOrders(SupplierOrderForming& forming, const PreparedOrders& prepared,
                                                 QWidget* parent)
    : QDialog(parent), m_forming(forming), m_prepared(std::make_unique<PreparedOrders>(prepared)),
      m_orders(std::make_unique<Data::TRowSet>()), m_lines(std::make_unique<Data::TRowSet>())
{
    setObjectName(u"TPreparedSupplierOrders"_s);
    setWindowTitle(title());
    FormGrids::define(*m_orders,
                      {{u"link"_s, int(FieldType::Integer), u"№"_s},
                       {u"name_user"_s, int(FieldType::String), u"Поставщик"_s},
                       {u"urgency_name"_s, int(FieldType::String), u"Срочность"_s},
                       {u"suo_cod_valut"_s, int(FieldType::String), u"Валюта"_s},
                       {u"suo_sum"_s, int(FieldType::Money), u"Сумма"_s},
                       {u"suo_sum_valut"_s, int(FieldType::Money), u"Валютная сумма"_s},
                       {u"line_count"_s, int(FieldType::Integer), u"Товаров"_s}},
                      u"su_orders"_s);
    FormGrids::define(*m_lines,
                      {{u"link"_s, int(FieldType::Integer), u"№"_s},
                       {u"pr_articul"_s, int(FieldType::String), u"Артикул"_s},
                       {u"pr_name"_s, int(FieldType::String), u"Наименование"_s},
                       {u"sop_amount"_s, int(FieldType::Money), u"Кол-во"_s},
                       {u"sop_price"_s, int(FieldType::Money), u"Цена руб."_s},
                       {u"sop_valprice"_s, int(FieldType::Money), u"Цена вал."_s},
                       {u"sop_sum"_s, int(FieldType::Money), u"Сумма"_s},
                       {u"sop_sum_valut"_s, int(FieldType::Money), u"Вал.сумма"_s}},
                      u"orders_products"_s);
    for (const PreparedOrder& o : m_prepared->orders)
        m_orders->appendLoaded({o.link + 1, o.supplierName, o.urgencyName, o.currency,
                                m_prepared->sum(o.link).toVariant(), m_prepared->sumValut(o.link).toVariant(),
                                int(m_prepared->linesOf(o.link).size())});
    for (const PreparedLine& l : m_prepared->lines)
        m_lines->appendLoaded({l.orderLink + 1, l.article, l.name, l.amount.toVariant(), l.roublePrice.toVariant(),
                               l.currencyPrice.toVariant(), l.sum().toVariant(), l.sumValut().toVariant()});
    m_lines->setMaster(m_orders.get(), {u"link"_s}, {u"link"_s});
    m_orders->first();

    m_ordersGrid = FormGrids::make(this, u"gridPreparedOrders"_s, u"Заказы"_s, *m_orders,
                                   {u"link"_s, u"name_user"_s, u"urgency_name"_s, u"suo_cod_valut"_s, u"suo_sum"_s,
                                    u"suo_sum_valut"_s, u"line_count"_s},
                                   u"TPreparedSupplierOrders.Orders"_s);
    m_linesGrid = FormGrids::make(this, u"gridPreparedLines"_s, u"Товары заказа"_s, *m_lines,
                                  {u"pr_articul"_s, u"pr_name"_s, u"sop_amount"_s, u"sop_price"_s, u"sop_valprice"_s,
                                   u"sop_sum"_s, u"sop_sum_valut"_s},
                                  u"TPreparedSupplierOrders.Lines"_s);

    auto* layout = new QVBoxLayout(this);
    auto* ordersLabel = new QLabel(u"Подготовлено заказов: %1"_s.arg(m_prepared->orders.size()), this);
    ordersLabel->setObjectName(u"lblOrders"_s);
    ordersLabel->setBuddy(m_ordersGrid);
    layout->addWidget(ordersLabel);
    layout->addWidget(m_ordersGrid, 1);
    auto* linesLabel = new QLabel(u"Товары заказа"_s, this);
    linesLabel->setBuddy(m_linesGrid);
    layout->addWidget(linesLabel);
    layout->addWidget(m_linesGrid, 1);
    Widgets::DialogButtons buttons(this, u"Сохранить"_s, u"Отмена"_s, false);
    layout->addWidget(buttons.box());
    buttons.acceptButton()->setObjectName(u"btnSave"_s);
    buttons.rejectButton()->setObjectName(u"btnCancel"_s);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, &TPreparedSupplierOrders::save);
    resize(760, 480);
    m_ordersGrid->setFocus();
}

TPreparedSupplierOrders::~TPreparedSupplierOrders()
{
    m_linesGrid->setRowSet(nullptr);
    m_ordersGrid->setRowSet(nullptr);
    m_lines->clearMaster();
}

void TPreparedSupplierOrders::save()
{
    try {
        m_saved = m_forming.save(*m_prepared);
    } catch (const Abort&) {
        return;
    } catch (const Exception& e) {
        m_refused = true;
        QMessageBox::critical(this, windowTitle(), e.message());
        reject();
        return;
    }
    QStringList numbers;
    for (qint64 id : m_saved)
        numbers << QString::number(id);
    QMessageBox::information(this, windowTitle(),
                             u"Сохранено заказов: %1 (№ %2)"_s.arg(m_saved.size()).arg(numbers.join(u", "_s)));
    accept();
}

} // namespace Tarvo::SupplierOrders
