#pragma once

#include "data/engine/money.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace Tarvo::Data {

class Database;

// A supplier with a price list of its own for the import measurements: N products in a group
// of theirs (article "PS-0000001" …, the supplier's article the same), none offered yet, and
// the supplier's price file of those products with the base price and two named prices.
namespace VolumePriceSupplier {

// The supplier's code (_partner.N_USER).
QString supplierCode();
// The file's price columns after the base price ("ЦЕНА:EXW", "ЦЕНА:DDP" in an import entry).
QStringList priceNames();
// Price `kind` (0 the base price, 1 and 2 the named ones) of line `line` (from 0) in the file's
// edition `round`: each edition changes every price, so a re-import has new prices to write.
Money price(qint64 line, int kind, int round);

// Adds the supplier and its products on the caller's transaction (keys after the largest ones,
// key generators moved past them). Refused when the supplier is there already. Returns the rows
// written.
qint64 run(Database& db, qint64 products);

// The supplier's products in file order: line (from 0), PR_ID, article, name.
void forEachProduct(Database& db,
                    const std::function<void(qint64 line, qint64 id, const QString& article, const QString& name)>& f);

enum class FileFormat
{
    Csv,
    Xlsx
};

struct FileOptions
{
    FileFormat format = FileFormat::Csv;
    bool windows1251 = false; // CSV: windows-1251 instead of UTF-8
    int round = 0;
};

// Writes the supplier's price file: a heading row "Артикул", "Наименование", "Цена", then the
// named prices, one line per product; CSV separated by ";" with decimal commas. Returns the lines
// written (without the heading). A failure names the file and leaves none.
qint64 writeFile(Database& db, const QString& path, const FileOptions& options);

} // namespace VolumePriceSupplier

} // namespace Tarvo::Data
