#pragma once

#include "data/engine/money.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>


namespace Tarvo::Catalog {

// One accepted (or deferred) article of a price-list run. Optional fields are those the row may
// leave unset: a re-import keeps what is stored for them.
struct PriceImportRow
{
    qint64 productId = 0; // 0: deferred for "Разбор прайс-листов"
    QString article;
    QString currency; // as the currency book spells it; empty: roubles (stored as null)
    Money price;
    std::optional<qint16> deliveryDelay;
    std::optional<qint16> chainDelay;
    std::optional<Money> minLot;
    std::optional<Money> piecesPerPack;
    std::optional<QString> name;
    std::array<std::optional<QString>, 8> extras;
    QList<std::pair<QString, Money>> prices; // price name, value; one per name
    qint64 line = 0;                         // the row of the run it came from

    void setPrice(const QString& priceName, Money value);

    // The optional fields this row set, one bit each in the order deliveryDelay, minLot,
    // piecesPerPack, chainDelay, name, extras 1 to 8.
    quint32 setFields() const;
};

// The row's bytes for the run's temporary file (text as UTF-8), appended to `out`.
void encode(QByteArray& out, const PriceImportRow& row);
// Reads back what encode wrote; false when the bytes are not such a row.
bool decode(QByteArrayView in, PriceImportRow& row);

} // namespace Tarvo::Catalog
