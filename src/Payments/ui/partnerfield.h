#pragma once

#include "SupplierOrders/ui/tselectsupplier.h"

#include <QVariant>
#include <QWidget>
#include <functional>
#include <optional>

class QLineEdit;
class QToolButton;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Payments {

// A counterparty of a payment shown by name and chosen through the counterparty picker: the
// "..." button, F3 or Ctrl+Enter in the field. The text is never typed, so the key is always
// one the picker offered.
class PartnerField : public QWidget
{
    Q_OBJECT
public:
    using Choice = SupplierOrders::TselectSupplier::Choice;

    // `caption` names the field for assistive technology; `kind` the counterparties offered.
    PartnerField(Data::Database& db, Catalog::PartnerList::Kind kind, const QString& caption, QWidget* parent = nullptr);

    QLineEdit* edit() const { return m_edit; }
    QToolButton* button() const { return m_button; }
    QVariant partnerId() const { return m_id; }
    // Shows the counterparty of that par_ID (null: none).
    void showPartner(const QVariant& id);
    void setEditable(bool editable);
    // Opens the picker; `picked` tells the choice unless it was cancelled.
    void pick();
    // Asked before the picker opens; a throw (the reason) keeps it closed.
    std::function<void()> beforePick;

signals:
    void picked(qint64 id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Data::Database& m_db;
    Catalog::PartnerList::Kind m_kind;
    QLineEdit* m_edit;
    QToolButton* m_button;
    QVariant m_id;
    bool m_editable = true;
};

} // namespace Tarvo::Payments
