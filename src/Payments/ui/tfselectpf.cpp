#include "Payments/ui/tfselectpf.h"

#include "Payments/tdmeditpayment.h"
#include "widgets/dialogbuttons.h"
#include "widgets/guardedcommand.h"
#include "widgets/tdatagrid.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

TfSelectPf::TfSelectPf(TdmEditPayment& payment, QWidget* parent) : QDialog(parent), m_payment(payment)
{
    setObjectName(u"TfSelectPf"_s);
    setWindowTitle(u"Выбор счетов к оплате"_s);
    auto* layout = new QVBoxLayout(this);
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(u"gridProformas"_s);
    m_grid->setAccessibleName(u"Счета"_s);
    m_grid->setColumns({{u"pf_id"_s, u"Счет"_s, 70},
                        {u"pf_date"_s, u"Дата"_s, 90},
                        {u"pf_dopnomer"_s, u"Номер"_s, 70},
                        {u"pf_snomer"_s, u"Доп номер"_s, 90},
                        {u"pf_total"_s, u"Сумма"_s, 100},
                        {u"paid"_s, u"Оплачено"_s, 100}});
    m_grid->setColumnsSection(u"TfSelectPfPf"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_grid, 1);
    const Widgets::DialogButtons buttons(this, u"Выбрать"_s, u"Закрыть"_s, false);
    layout->addWidget(buttons.box());
    buttons.acceptButton()->setObjectName(u"btnChoose"_s);
    connect(buttons.box(), &QDialogButtonBox::accepted, this, [this] { choose(); });
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, [this] { choose(); });
    reload();
    m_grid->setRowSet(&m_rows);
    resize(620, 380);
}

TfSelectPf::~TfSelectPf()
{
    m_grid->setRowSet(nullptr);
}

void TfSelectPf::reload()
{
    m_payment.openChooser(m_rows);
}

void TfSelectPf::choose()
{
    Widgets::guardedCommand(this, windowTitle(), [this] {
        if (m_rows.isEmpty())
            return;
        m_payment.addProforma(m_rows.integer(u"pf_id"_s));
        if (m_payment.freeRest() <= Money()) {
            accept();
            return;
        }
        reload();
    });
}

} // namespace Tarvo::Payments
