#pragma once

#include "BusOffer/editordocumentlayout.h"
#include "BusOffer/offereditorlinevalues.h"
#include "BusOffer/offereditorrowset.h"

#include <QDate>
#include <QString>
#include <QVariantMap>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// The core of the line documents (a buyer request, a supplier order): the header row and the
// lines, each change written at once with bound statements, totals read back, the conversion of
// prices between roubles and the document currency, and the rules for closing. A subclass gives
// its layout, its fields and statements, and what it adds to the header. Refusals are thrown as
// Tarvo::Exception with the text the user sees; a cancelled quotation as Tarvo::Abort.
class EditorDocument
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
        Saved,        // the document remains
        DeletedEmpty, // a document made here and left without lines is gone
    };

    EditorDocument(Data::Database& db, EditorDocumentLayout layout);
    virtual ~EditorDocument();
    EditorDocument(const EditorDocument&) = delete;
    EditorDocument& operator=(const EditorDocument&) = delete;

    Data::Database& database() const { return m_db; }
    const EditorDocumentLayout& layout() const { return m_layout; }
    OfferEditorRowSet& header() { return m_header; }
    const OfferEditorRowSet& header() const { return m_header; }
    OfferEditorRowSet& lines() { return m_lines; }

    // Closes the document open now by the closing rules (what they did is returned), then opens
    // `id`, 0 for a new one. Reopening the same document keeps it and re-reads it.
    Closing open(qint64 id);
    bool isOpen() const { return m_open; }
    // 0 while a new document has not been saved.
    qint64 documentId() const;
    bool isSaved() const { return documentId() != 0; }
    // The document was first saved by this editor since it was opened.
    bool createdHere() const { return m_createdHere; }
    QString title() const;

    // Header fields: the header stays in edit mode, every change is kept until the next post.
    virtual void setHeaderValue(const QString& field, const QVariant& value);
    void postHeader();
    void postLines();

    Direction direction() const { return m_direction; }
    void setDirection(Direction direction) { m_direction = direction; }

    // The user validated a line field being edited (amount, rouble or currency price):
    // the other prices and the sums follow.
    void lineEdited(const QString& field);
    // Deletes the current line; refused for the last line of a document not made here.
    void deleteCurrentLine();
    // The current line's delivery date (the header is saved first).
    void setLineDate(const QDate& date);
    // Sets the current line's delivery date on every line, in one transaction.
    void setAllDates();

    // The picker's operations on the lines, by product: its amount (0 when there is no line);
    // a new amount of a line there is (0 deletes it), false when there is none.
    Money productAmount(qint64 productId) const;
    // The same read through a filter of the lines by product.
    Money filteredProductAmount(qint64 productId) const;
    bool setProductAmount(qint64 productId, Money amount);

    // The currency changes: code and recomputed lines are written together; on a cancel or a
    // failure the document stays as it was, in the database and here.
    void changeCurrency(const QString& code);

    // Saves what is pending and applies the closing rules; the document is empty afterwards.
    Closing close();
    // Drops the document without writing (after the user agreed to lose a failed save).
    void discard();

    QString currencyCode() const;
    QDate documentDate() const;

    static qint64 nextAdditionalNumber(Data::Database& db, const QString& table, const QString& column);

protected:
    // Values a header write replaced (a counterparty registered on the way), taken over by the
    // row once the transaction is committed.
    struct HeaderWritten
    {
        qint64 insertedId = 0;
        QVariantMap replaced;
    };

    // A product's price as offered: in roubles and, when it has one, in its own currency.
    struct OfferedPrice
    {
        Money amount;
        Money roubles;
        QString code;
        Money inCode;
    };

    // The subclass's constructor defines the fields, then calls this.
    void ready();

    // Selects the header's fields in field order, for one bound key.
    virtual QString headerStatement() const = 0;
    // Selects the lines' fields in field order, for one bound document key.
    virtual QString linesStatement() const = 0;
    // What a new document starts with beyond the date, sums, currency, description and
    // additional number.
    virtual void presetNew() {}
    // A document was read or a new one started.
    virtual void opened() {}
    // Refuses a header that may not be written; may give values to write instead of the row's.
    virtual QVariantMap checkHeader(const OfferEditorRowSet& header);
    // The header took over the values written instead of its own.
    virtual void replacedTaken() {}
    // Checks made by every line write beyond the date and the amount.
    virtual void checkLine(const OfferEditorRowSet&) {}

    // Saves the header and the line being edited before a line is added.
    void prepareLine();
    // Adds a line for a product (saving the header first): `fields` fills the product columns,
    // the price goes to the side the conversion starts from, in the document's currency.
    void addLine(const QVariantMap& fields, const OfferedPrice& offered);
    void convert(OfferEditorLineValues& values, Direction direction, const QString& code,
                 const QDate& date) const;
    void announce() const;
    void reloadLines();
    void refreshTotals();

    static void checkAdditionalNumber(const QVariant& value, const QString& message);

private:
    struct StoredLine
    {
        QVariant product;
        OfferEditorLineValues values;
    };

    void load(qint64 id);
    void startNew();
    void writeHeader(OfferEditorRowSet& header);
    // The header's statements, inside the caller's transaction.
    HeaderWritten writeHeaderRow(OfferEditorRowSet& header);
    void takeOver(OfferEditorRowSet& header, const HeaderWritten& written);
    void writeLine(OfferEditorRowSet& lines);
    void eraseLine(OfferEditorRowSet& lines);
    // Why a line write found no line: the line or the whole document is gone.
    QString lineGone() const;
    bool documentExists() const;
    QList<StoredLine> storedLines() const;
    QString storedCode() const;
    OfferEditorLineValues lineValues() const;
    void storeLineValues(const OfferEditorLineValues& values);
    int lineCountInDatabase() const;
    // A value as its column receives it (an empty text for none).
    QVariant stored(const OfferEditorRowSet& rows, const QString& column, const QVariant& value) const;

    Data::Database& m_db;
    EditorDocumentLayout m_layout;
    OfferEditorRowSet m_header;
    OfferEditorRowSet m_lines;
    Direction m_direction = Direction::RoublesToCurrency;
    bool m_open = false;
    bool m_createdHere = false;
};

} // namespace Tarvo::BusOffer
