#pragma once

#include "catalog/partners/partnerlist.h"
#include "catalog/ui/tlibraryform.h"

#include <optional>

class QLineEdit;

namespace Tarvo::SupplierOrders {

// "Выбор поставщика": the suppliers (kind "Т" with a `scm_partner` row), narrowed while the
// user types a part of the short or the full name; Enter or a double click chooses, Esc
// cancels. The supplier chosen last is the current row the next time ("fc.ini"). Opened for
// another kind of counterparty (our organisations paying a supplier) it lists that kind alone.
class TselectSupplier : public Catalog::TLibraryForm
{
    Q_OBJECT
public:
    struct Choice
    {
        qint64 id = 0; // par_ID
        QString name;  // NAME_USER, else N_USER
    };

    explicit TselectSupplier(Data::Database& db, QWidget* parent = nullptr,
                             Catalog::PartnerList::Kind kind = Catalog::PartnerList::Kind::Suppliers);

    QLineEdit* findEdit() const { return m_find; }
    // The choice once the dialog was accepted.
    std::optional<Choice> chosen() const;

    // Shows the picker modally; nothing when cancelled.
    static std::optional<Choice> pickSupplier(Data::Database& db, QWidget* parent = nullptr);
    // The same for a counterparty of the given kind; each kind remembers its own last choice.
    static std::optional<Choice> pickPartner(Data::Database& db, Catalog::PartnerList::Kind kind,
                                             QWidget* parent = nullptr);

    static const QString IniSection;

protected:
    void prepare(Data::TUpdatedADOQuery& dataSet) override;
    void decorate(Data::TUpdatedADOQuery& dataSet) override;
    QString locateField() const override { return QStringLiteral("par_ID"); }
    QVariant createRecord() override;
    void editRecord() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void narrow();

    Catalog::PartnerList::Kind m_kind;
    QLineEdit* m_find = nullptr;
};

} // namespace Tarvo::SupplierOrders
