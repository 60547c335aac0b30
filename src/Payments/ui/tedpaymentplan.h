#pragma once

#include "Payments/tdmeditpayplan.h"

#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Payments {

// "График оплат счета": the proforma's header and its instalments; one window per proforma.
class TedPaymentPlan : public QWidget
{
    Q_OBJECT
public:
    static const QString CloseQuestion;

    // The proforma's plan window, brought forward when open; nullptr when it cannot be loaded
    // (the reason is shown).
    static TedPaymentPlan* openPlan(qint64 pfId);

    explicit TedPaymentPlan(Data::Database& db, QWidget* parent = nullptr);
    ~TedPaymentPlan() override;

    TdmEditPayPlan& document() { return *m_doc; }
    Widgets::TDataGrid* grid() const { return m_grid; }
    void loadPlan(qint64 pfId);
    bool save();
    // A new instalment with the proposed date and the rest.
    void addRow();
    void deleteRow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool guarded(const std::function<void()>& action);
    void showTotal();

    std::unique_ptr<TdmEditPayPlan> m_doc;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_supplier = nullptr;
    QLineEdit* m_currency = nullptr;
    QLineEdit* m_sum = nullptr;
    QLineEdit* m_scheme = nullptr;
    QLabel* m_total = nullptr;
    Widgets::TDataGrid* m_grid = nullptr;
};

} // namespace Tarvo::Payments
