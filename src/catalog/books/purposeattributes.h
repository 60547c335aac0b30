#pragma once

#include <QString>
#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The additional attributes of product purposes: their captions from "allsclad.ini" in the
// installation's shared folder, and whether the values table exists in this database.
class PurposeAttributes
{
public:
    // The shared folder "TARVODIR" of "tarvo.ini" section "CLIENT" (command-line overrides
    // apply), with a trailing separator; empty when not set.
    static QString sharedFolder();
    // "Razmer.0".."Razmer.2" of section "Razmer_Global" (defaults "Цвет", "Размер", "Объем").
    // The file may be UTF-8 or windows-1251.
    static QStringList captions(const QString& sharedFolder);
    static bool valuesTableExists(Data::Database& db);
    // The caption of the values window for a purpose and an attribute.
    static QString valuesCaption(const QString& purpose, const QString& attribute);
    static const QString ValuesSql;
};

} // namespace Tarvo::Catalog
