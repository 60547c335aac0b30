#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// The choices of the request header: urgencies, counterparties and currency codes.
class OfferEditorLookups
{
public:
    struct Item
    {
        QVariant key;
        QString text;
        QString code; // counterparties: `n_user`
    };

    explicit OfferEditorLookups(Data::Database& db) : m_db(db) {}

    void reload();
    void reloadCounterparties();

    // The urgencies by name and the currency codes (roubles first), for every line document.
    static QList<Item> readUrgencies(Data::Database& db);
    static QList<Item> readCurrencies(Data::Database& db);
    // The counterparties as counterparties() lists them; `kind` non-empty keeps only those of
    // that `my_organiz` ("Т": suppliers).
    static QList<Item> readCounterparties(Data::Database& db, const QString& kind = {});

    // By name; the key is `Urgency_ID`.
    const QList<Item>& urgencies() const { return m_urgencies; }
    // Every counterparty of `_partner` by name. The key is `par_id`; one without a `scm_partner`
    // row yet gets a negative placeholder (-1, -2, ... in name order) until the header is saved.
    const QList<Item>& counterparties() const { return m_counterparties; }
    // The empty code (roubles) first, then the codes of `valutcod`.
    const QList<Item>& currencies() const { return m_currencies; }

    // Inside the caller's transaction: the `par_id` of the counterparty `n_user`, its
    // `scm_partner` row inserted first when it has none (a negative placeholder until then).
    static qint64 registeredCounterparty(Data::Database& db, const QString& code);

    // The `n_user` of a counterparty key; empty when unknown.
    QString counterpartyCode(qint64 key) const;
    // The key of a counterparty by `n_user`; 0 when unknown.
    qint64 counterpartyKey(const QString& code) const;

private:
    Data::Database& m_db;
    QList<Item> m_urgencies;
    QList<Item> m_counterparties;
    QList<Item> m_currencies;
};

} // namespace Tarvo::BusOffer
