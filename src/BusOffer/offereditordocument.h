#pragma once

#include "BusOffer/editordocument.h"
#include "BusOffer/offereditorlookups.h"

namespace Tarvo::Messaging {
class TOurTvrExchange;
}

namespace Tarvo::BusOffer {

// One buyer request as the editor works on it (the editor core with the request's tables):
// the counterparty may be one of the warehouse list, registered when the header is saved.
class OfferEditorDocument : public EditorDocument
{
public:
    explicit OfferEditorDocument(Data::Database& db);
    ~OfferEditorDocument() override;

    OfferEditorLookups& lookups() { return m_lookups; }
    qint64 bofId() const { return documentId(); }

    // Adds a line for a product chosen in the price list (saving the header first).
    void addProduct(const Messaging::TOurTvrExchange& product);

    static qint64 nextAdditionalNumber(Data::Database& db);
    static const QString DuplicateProductMessage;
    static const QString LastLineMessage;
    static const QString DistributedLineMessage;
    static const QString BadDateMessage;
    static const QString SavedMessage;
    // Another workstation deleted the request or the line this editor writes to.
    static const QString RequestDeletedMessage;
    static const QString LineDeletedMessage;
    static const QString BadAdditionalNumberMessage;

protected:
    QString headerStatement() const override;
    QString linesStatement() const override;
    QVariantMap checkHeader(const OfferEditorRowSet& header) override;
    void replacedTaken() override;

private:
    static EditorDocumentLayout requestLayout();
    qint64 registeredPartner(const QString& code);

    OfferEditorLookups m_lookups;
};

} // namespace Tarvo::BusOffer
