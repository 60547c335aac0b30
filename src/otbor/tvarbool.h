#pragma once

#include "otbor/tvar.h"

namespace Tarvo::Otbor {

class TVarBool : public TVarActive
{
public:
    using TVarActive::TVarActive;
    bool value() const { return m_value; }
    void setValue(bool value);
    void saveValues(TVarValues& out) const override;
    bool loadValue(const QString& name, const QString& text) override;

private:
    bool m_value = false;
};

// The register mark: marked (true) or not marked.
class TMarkedOtbor : public TVarBool
{
public:
    using TVarBool::TVarBool;
    QString description() const override;
};

} // namespace Tarvo::Otbor
