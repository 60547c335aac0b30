#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// Which file column (0 the first) holds which value.
struct TColumnMapping
{
    QString name;
    int columnId = 0;
};

// One configured price-list import.
struct TFPPrice
{
    QString supplierName; // the supplier's n_user
    QString libName;      // the module's library file
    QByteArray initData;  // the module's InitData, byte for byte
    QList<TColumnMapping> columns;
    QString prgName; // the module's name
    QString sourceName;

    // The column letter a user reads in a spreadsheet: 0 is "A", 26 is "AA".
    static QString columnLetter(int columnId);
};

// The stored import list "Насройка импорта прайс-листов" (so spelled in every database).
class THostComponent
{
public:
    static constexpr const char* BlobName = "Насройка импорта прайс-листов";

    QList<TFPPrice>& prices() { return m_prices; }
    const QList<TFPPrice>& prices() const { return m_prices; }

    // A missing blob is an empty list; a damaged one says so.
    void load(Data::Database& db);
    // Writes the list when the stored one is still as load() found it; otherwise asks
    // `overwrite` (another workstation saved meanwhile) and returns false, nothing written, on no.
    bool save(Data::Database& db, const std::function<bool()>& overwrite);

    QByteArray toText() const;
    void fromText(const QByteArray& text);

    // The column names a module understands (sorted); price kinds come as "ЦЕНА:<kind>".
    static const QStringList& columnNames();
    static constexpr const char* PricePrefix = "ЦЕНА:";

private:
    QList<TFPPrice> m_prices;
    std::optional<QByteArray> m_loaded;
};

} // namespace Tarvo::Catalog
