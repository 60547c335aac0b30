#pragma once

#include "otbor/tvarchoice.h"

namespace Tarvo::Otbor {

// A document state the register keeps.
class TDocStateOtbor : public TVarChoice
{
public:
    enum DocState : quint8
    {
        Done = 0,
        InProgress = 1,
        DoneByRegister = 2
    };
    explicit TDocStateOtbor(const QUuid& guid) : TVarChoice(guid, QStringLiteral("DocState"), DoneByRegister)
    {}

    DocState docState() const { return DocState(choice()); }
    void setDocState(DocState state) { setChoice(state); }
    QString description() const override;
};

} // namespace Tarvo::Otbor
