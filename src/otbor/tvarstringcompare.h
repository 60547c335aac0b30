#pragma once

#include "otbor/tvar.h"

namespace Tarvo::Otbor {

// A text compared for equality (type 0) or containment (type 1).
class TVarStringCompare : public TVarActive
{
public:
    enum CompareType : quint8
    {
        Equal = 0,
        Contains = 1
    };
    using TVarActive::TVarActive;

    CompareType compareType() const { return m_compareType; }
    void setCompareType(CompareType type);
    const QString& compareString() const { return m_compareString; }
    void setCompareString(const QString& text);

    void saveValues(TVarValues& out) const override;
    bool loadValue(const QString& name, const QString& text) override;

private:
    CompareType m_compareType = Equal;
    QString m_compareString;
};

// A counterparty by its short code (`par_nuser`).
class TPartnerOtbor : public TVarStringCompare
{
public:
    TPartnerOtbor(const QUuid& guid, QString caption) : TVarStringCompare(guid), m_caption(std::move(caption))
    {}
    const QString& caption() const { return m_caption; }
    QString description() const override;

private:
    QString m_caption;
};

class TOfferIDOtbor : public TPartnerOtbor
{
public:
    explicit TOfferIDOtbor(const QUuid& guid) : TPartnerOtbor(guid, QStringLiteral("Заказчик")) {}
};

class TSupplierIDOtbor : public TPartnerOtbor
{
public:
    explicit TSupplierIDOtbor(const QUuid& guid) : TPartnerOtbor(guid, QStringLiteral("Поставщик")) {}
};

class TTransporterIDOtbor : public TPartnerOtbor
{
public:
    explicit TTransporterIDOtbor(const QUuid& guid) : TPartnerOtbor(guid, QStringLiteral("Перевозчик")) {}
};

// An urgency by its name.
class TUrgencyOtbor : public TVarStringCompare
{
public:
    using TVarStringCompare::TVarStringCompare;
    QString description() const override;
};

} // namespace Tarvo::Otbor
