#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// What the counterparty card edits of a `_partner` row.
struct PartnerCardData
{
    QString shortName; // N_USER
    QString fullName;  // NAME_USER
    QString nameForDocuments;
    QString bank;
    QString account;
    QString bik;
    QString inn;
    QString address;
    QString postIndex;
    QString information; // memo, not cleaned
    QString correspondentAccount;
    QString phones; // TEL1_USER followed by TEL2_USER
    QString fax;
    QString regNumber; // as typed
    QString email;
    QString kind;     // "Т" supplier, "К" buyer, "Я" our organisation
    QString discount; // as typed, "0.00"
    QString okved;
    QString okpo;
    QString note;
    QString kpp;
};

// Reading and saving a counterparty: the card's validation with its messages, the short-name
// generation, and the writes into `_partner` and `scm_partner` in one transaction.
class PartnerCard
{
public:
    enum class Mode
    {
        Create,
        Modify,
    };

    explicit PartnerCard(Data::Database& db) : m_db(db) {}

    PartnerCardData load(const QString& shortName) const;
    // Validates, cuts and cleans, writes; returns the short name used. Throws Tarvo::Exception
    // with the card's message; nothing is written then. The checks run in the write's
    // transaction, and a new card that another workstation saved a moment earlier gets the
    // message it would have got a moment later.
    QString save(const PartnerCardData& data, Mode mode) const;
    // A free short name for the full name.
    QString generateShortName(const QString& fullName) const;
    // Deletes a counterparty that no document uses.
    void remove(const QString& shortName) const;

    static QString discountText(const QVariant& value);

private:
    QString write(PartnerCardData data, Mode mode) const;

    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
