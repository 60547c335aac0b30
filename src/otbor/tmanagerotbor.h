#pragma once

#include "otbor/tvarchoice.h"

namespace Tarvo::Otbor {

// Whose documents a register shows: the user's own or the user's department's.
class TManagerOtbor : public TVarChoice
{
public:
    enum AllowedRows : quint8
    {
        OwnRows = 0,
        OwnDepartment = 1
    };
    explicit TManagerOtbor(const QUuid& guid) : TVarChoice(guid, QStringLiteral("AllowedRows"), OwnDepartment)
    {}

    AllowedRows allowedRows() const { return AllowedRows(choice()); }
    void setAllowedRows(AllowedRows rows) { setChoice(rows); }
    QString description() const override;
};

} // namespace Tarvo::Otbor
