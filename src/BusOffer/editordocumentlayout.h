#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace Tarvo::BusOffer {

// What tells one line document of the editor core from another: its tables, the prefixes of
// its columns, the columns its writes carry beyond the shared ones and its words for the user.
struct EditorDocumentLayout
{
    QString headerTable; // "scm_business_offer"
    QString prefix;      // "bof_": id, date, cod_valut, sum, sum_valut, dopnomer, ... follow it
    QString linesTable;  // "scm_bp_delivery"
    QString linePrefix;  // "bpd_": pr_id, amount, deliverydate, sum, sum_valut, price, val_price
    QString lineOwner;   // "bpd_bof_id"
    // The header columns the insert writes, in its order; the update writes those changed.
    QStringList headerColumns;
    // The line columns written beyond amount, delivery date and the two sums.
    QStringList lineColumns;
    // A header column the row reads under another name.
    QMap<QString, QString> headerFields;

    QString savedTitle; // "Заявка %1"
    QString newTitle;   // "Новая заявка"
    QString notFound;   // "... %1 не найдена ..."
    QString saveFirst;  // a line of a document not saved yet
    QString duplicateProduct;
    QString lastLine;
    QString lineInWork; // a line other documents refer to
    QString badDate;
    QString documentDeleted;
    QString lineDeleted;
    QString badAdditionalNumber;
    QString saved;    // the document remains after closing
    QString notSaved; // a failed save, before the question to close without it

    // Announced after every write.
    QList<QUuid> notices;

    QString header(const QString& name) const { return prefix + name; }
    QString line(const QString& name) const { return linePrefix + name; }
    QString fieldOf(const QString& column) const { return headerFields.value(column, column); }
    QString key() const { return prefix + QStringLiteral("id"); }
};

} // namespace Tarvo::BusOffer
