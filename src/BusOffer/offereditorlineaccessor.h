#pragma once

#include "BusOffer/offereditorlinevalues.h"
#include "catalog/currency/teditbaseactor.h"

namespace Tarvo::BusOffer {

// Hands one line's values, the request's currency and its date to the conversion actors.
class OfferEditorLineAccessor : public Catalog::TDataAccessor
{
public:
    OfferEditorLineAccessor(OfferEditorLineValues& line, QString currencyCode, QDate date)
        : m_line(line), m_code(std::move(currencyCode)), m_date(date)
    {}

    Money rubValue() const override { return m_line.price.value_or(Money()); }
    void setRubValue(Money value) override { m_line.price = value; }
    Money valValue() const override { return m_line.valPrice.value_or(Money()); }
    void setValValue(Money value) override { m_line.valPrice = value; }
    Money factor() const override { return m_line.amount; }
    void setRubTotal(Money value) override { m_line.sum = value; }
    void setValTotal(Money value) override { m_line.sumValut = value; }
    QString currencyCode() const override { return m_code; }
    QDate date() const override { return m_date; }

private:
    OfferEditorLineValues& m_line;
    QString m_code;
    QDate m_date;
};

} // namespace Tarvo::BusOffer
