#pragma once

#include "otbor/tvar.h"

namespace Tarvo::Otbor {

// A document state the register keeps.
class TDocStateOtbor : public TVarActive
{
public:
    enum DocState : quint8
    {
        Done = 0,
        InProgress = 1,
        DoneByRegister = 2
    };
    using TVarActive::TVarActive;

    DocState docState() const { return m_state; }
    void setDocState(DocState state);
    QString description() const override;
    void saveValues(TVarValues& out) const override;
    bool loadValue(const QString& name, const QString& text) override;

private:
    DocState m_state = Done;
};

} // namespace Tarvo::Otbor
