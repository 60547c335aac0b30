#pragma once

#include <QString>
#include <QVariantList>

namespace Tarvo::Catalog {

// The counterparty list: counterparties of `_partner` registered in `scm_partner`, of one kind.
struct PartnerList
{
    enum class Kind
    {
        Suppliers, // "Т"
        Buyers,    // "К"
        Ours,      // "Я"
    };
    static QString letter(Kind kind);
    // The statement with the kind letter as its one parameter and the order the grid asks for
    // ("" = by name).
    static QString sql(const QString& orderBy = {});
    static const QString SettingsKey;
};

} // namespace Tarvo::Catalog
