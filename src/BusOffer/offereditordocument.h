#pragma once

#include "BusOffer/offereditorlinevalues.h"
#include "BusOffer/offereditorlookups.h"
#include "BusOffer/offereditorrowset.h"

#include <QDate>
#include <QString>

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Messaging {
class TOurTvrExchange;
}

namespace Tarvo::BusOffer {

// One buyer request as the editor works on it: the header row and the lines, each change
// written at once with bound statements, the conversion of prices between roubles and the
// request currency, and the rules for closing. Refusals are thrown as Tarvo::Exception with
// the text the user sees; a cancelled quotation as Tarvo::Abort.
class OfferEditorDocument
{
public:
    enum class Direction
    {
        RoublesToCurrency, // "из рублей в валюту"
        CurrencyToRoubles, // "из валюты в рубли"
    };
    enum class Closing
    {
        Nothing,      // nothing had been written
        Saved,        // "Заявка сохранена"
        DeletedEmpty, // a request made here and left without lines is gone
    };

    explicit OfferEditorDocument(Data::Database& db);
    ~OfferEditorDocument();
    OfferEditorDocument(const OfferEditorDocument&) = delete;
    OfferEditorDocument& operator=(const OfferEditorDocument&) = delete;

    Data::Database& database() const { return m_db; }
    OfferEditorRowSet& header() { return m_header; }
    OfferEditorRowSet& lines() { return m_lines; }
    OfferEditorLookups& lookups() { return m_lookups; }

    // Closes the request open now by the closing rules (what they did is returned), then opens
    // `bofId`, 0 for a new request. Reopening the same request keeps it and re-reads it.
    Closing open(qint64 bofId);
    bool isOpen() const { return m_open; }
    // 0 while a new request has not been saved.
    qint64 bofId() const;
    bool isSaved() const { return bofId() != 0; }
    // The request was first saved by this editor since it was opened.
    bool createdHere() const { return m_createdHere; }
    // "Заявка 12" or "Новая заявка".
    QString title() const;

    // Header fields: the header stays in edit mode, every change is kept until the next post.
    void setHeaderValue(const QString& field, const QVariant& value);
    void postHeader();
    void postLines();

    Direction direction() const { return m_direction; }
    void setDirection(Direction direction) { m_direction = direction; }

    // Adds a line for a product chosen in the price list (saving the header first).
    void addProduct(const Messaging::TOurTvrExchange& product);
    // The user validated a line field being edited (amount, rouble or currency price):
    // the other prices and the sums follow.
    void lineEdited(const QString& field);
    // Deletes the current line; refused for the last line of a request not made here.
    void deleteCurrentLine();
    // The current line's delivery date (the header is saved first).
    void setLineDate(const QDate& date);
    // Sets the current line's delivery date on every line, in one transaction.
    void setAllDates();

    // The currency of the request changes: code and recomputed lines are written together;
    // on a cancel or a failure the request stays as it was, in the database and here.
    void changeCurrency(const QString& code);

    // Saves what is pending and applies the closing rules; the document is empty afterwards.
    Closing close();
    // Drops the request without writing (after the user agreed to lose a failed save).
    void discard();

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

private:
    // What a header write did that the row takes over once its transaction is committed.
    struct HeaderWritten
    {
        qint64 insertedId = 0;
        qint64 registeredPerson = 0; // the `scm_partner` row a placeholder counterparty stands for
    };
    struct StoredLine
    {
        QVariant product;
        OfferEditorLineValues values;
    };

    void defineFields();
    void load(qint64 bofId);
    void startNew();
    void writeHeader(OfferEditorRowSet& header);
    // The header's statements, inside the caller's transaction.
    HeaderWritten writeHeaderRow(OfferEditorRowSet& header);
    void takeOver(OfferEditorRowSet& header, const HeaderWritten& written);
    qint64 registeredPartner(const QString& code);
    void writeLine(OfferEditorRowSet& lines);
    void eraseLine(OfferEditorRowSet& lines);
    // Why a line write found no line: the line or the whole request is gone.
    QString lineGone() const;
    bool requestExists() const;
    void refreshTotals();
    void reloadLines();
    QString linesStatement() const;
    QList<StoredLine> storedLines() const;
    QString storedCode() const;
    QString currencyCode() const;
    QDate offerDate() const;
    OfferEditorLineValues lineValues() const;
    void storeLineValues(const OfferEditorLineValues& values);
    void convert(OfferEditorLineValues& values, Direction direction, const QString& code, const QDate& date) const;
    int lineCountInDatabase() const;
    static void checkAdditionalNumber(const QVariant& value);
    static void announce();

    Data::Database& m_db;
    OfferEditorRowSet m_header;
    OfferEditorRowSet m_lines;
    OfferEditorLookups m_lookups;
    Direction m_direction = Direction::RoublesToCurrency;
    bool m_open = false;
    bool m_createdHere = false;
};

} // namespace Tarvo::BusOffer
