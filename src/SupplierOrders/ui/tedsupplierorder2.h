#pragma once

#include "BusOffer/ui/lineeditorwindow.h"
#include "SupplierOrders/supplierorderdocument.h"
#include "SupplierOrders/ui/tselectsupplproducts.h"
#include "messaging/tdataregistration.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace Tarvo::SupplierOrders {

class TSupplierProductExchange;

// "Заказ поставщику": the header of one supplier order and its lines. Every change is written
// at once; the products come from the supplier's assortment ("Нов. товар", Insert in the lines).
class TedSupplierOrder2 : public BusOffer::LineEditorWindow
{
    Q_OBJECT
public:
    explicit TedSupplierOrder2(Data::Database& db, QWidget* parent = nullptr);
    ~TedSupplierOrder2() override;

    // Applies the closing rules to the order shown, then shows `suoId`.
    void loadOrder(qint64 suoId);
    // A new order for the supplier chosen.
    void newOrder(qint64 supplierId, const QString& supplierName);
    SupplierOrderDocument& document() { return static_cast<SupplierOrderDocument&>(editorDocument()); }

    TSelectSupplProducts* picker() const { return m_picker; }

    static const QString LinesKey;

protected:
    void fillOwn(const BusOffer::OfferEditorRowSet& header, bool open) override;
    void stateShown() override;
    bool canAddProducts() const override { return editorDocument().isOpen(); }
    void newProduct() override;
    void released() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* buildHeader();
    void opened();
    void exchange(TSupplierProductExchange& e);

    Data::Database& m_db;
    Messaging::TRegistrationGuard m_pickerCalls;
    QPointer<TSelectSupplProducts> m_picker;
    QLineEdit* m_supplier = nullptr;
    QComboBox* m_warehouse = nullptr;
    QComboBox* m_contract = nullptr;
    QCheckBox* m_accepted = nullptr;
};

} // namespace Tarvo::SupplierOrders
