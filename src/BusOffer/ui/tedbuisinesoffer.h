#pragma once

#include "BusOffer/offereditordocument.h"
#include "BusOffer/ui/lineeditorwindow.h"
#include "messaging/tdataregistration.h"

class QComboBox;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// "Заявка покупателя": the header of one buyer request and its lines. Every change is written
// at once; the products come from our price list ("Нов. товар"), one line per choice.
class TedBuisinesOffer : public LineEditorWindow
{
    Q_OBJECT
public:
    explicit TedBuisinesOffer(Data::Database& db, QWidget* parent = nullptr);
    ~TedBuisinesOffer() override;

    // Applies the closing rules to the request shown, then shows `bofId` (0: a new request).
    void loadOffer(qint64 bofId);
    OfferEditorDocument& document() { return static_cast<OfferEditorDocument&>(editorDocument()); }

protected:
    void fillOwn(const OfferEditorRowSet& header, bool open) override;
    bool mayWriteHeader() const override;
    void newProduct() override;
    void released() override { m_productPicked.reset(); }

private:
    QGroupBox* buildHeader();

    Data::Database& m_db;
    Messaging::TRegistrationGuard m_productPicked;
    QComboBox* m_person = nullptr;
};

} // namespace Tarvo::BusOffer
