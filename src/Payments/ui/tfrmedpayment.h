#pragma once

#include "Payments/tdmeditpayment.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Payments {

class PartnerField;

// "Платеж": one payment's fields above the proformas it pays. A payment handed on to the
// warehouse accounting opens for viewing only: its copy there would no longer match.
class TfrmEdPayment : public QWidget
{
    Q_OBJECT
public:
    enum class Mode
    {
        New,
        Edit,
        View
    };
    static const QString CloseQuestion;

    static TfrmEdPayment* openNew();
    // Edit, or view when the payment is exported or `view` is asked; nullptr when it cannot be
    // loaded (the reason is shown).
    static TfrmEdPayment* openPayment(qint64 spmId, bool view = false);

    explicit TfrmEdPayment(Data::Database& db, QWidget* parent = nullptr);
    ~TfrmEdPayment() override;

    TdmEditPayment& document() { return *m_doc; }
    Mode mode() const { return m_mode; }
    QString modeText() const;
    Widgets::TDataGrid* grid() const { return m_grid; }
    PartnerField* payerField() const { return m_payer; }
    PartnerField* recipientField() const { return m_recipient; }

    void loadNew();
    void loadPayment(qint64 spmId, bool view);
    bool save();
    // "Добавить счет": the chooser over the recipient's proformas.
    void addProformas();
    void deleteRow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool guarded(const std::function<void()>& action);
    void apply(const QString& field, const QVariant& value);
    void showHeader();
    void updateMode();

    std::unique_ptr<TdmEditPayment> m_doc;
    Mode m_mode = Mode::New;
    QLineEdit* m_id = nullptr;
    QDateEdit* m_date = nullptr;
    QLineEdit* m_sum = nullptr;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_extraNumber = nullptr;
    PartnerField* m_payer = nullptr;
    QComboBox* m_currency = nullptr;
    PartnerField* m_recipient = nullptr;
    QComboBox* m_currency2 = nullptr;
    QLineEdit* m_sum2 = nullptr;
    QComboBox* m_cash = nullptr;
    QLabel* m_rest = nullptr;
    QLabel* m_status = nullptr;
    Widgets::TDataGrid* m_grid = nullptr;
    bool m_showing = false;
};

} // namespace Tarvo::Payments
